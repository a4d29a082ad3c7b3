#pragma once
// The user data header of a received message, read by its information
// elements: a length octet (UDHL), then elements of an identifier octet, a
// length octet and that many octets of data, in any order. The elements
// this program acts on are the concatenation (00 with an 8-bit reference,
// 08 with a 16-bit one) and the application ports (05 with 16-bit ports,
// 04 with 8-bit ones); any other element is skipped by its length.
#include <QString>
#include <optional>

namespace udh {

struct UserDataHeader {
    // Octets of the header, its length octet included; the payload follows.
    int octets = 0;
    // Application ports; -1 when the header carries no port element.
    int destinationPort = -1;
    int originatorPort = -1;
    bool widePorts = false; // element 05
    // Concatenation; reference -1 when the message is not one of a set (no
    // element, or one whose numbers are impossible: a total or sequence of
    // 0, or a sequence past the total). Total and sequence are 1 then.
    int reference = -1;
    bool wideReference = false; // element 08
    int total = 1;
    int sequence = 1;

    bool isPartOfSet() const { return reference >= 0; }
};

// Reads the header at the start of the given user data octets.
// std::nullopt when the length octet is missing or points past the user
// data. An element that runs past the header ends the reading: the elements
// before it count, its remains are skipped. An element of the wrong length
// is skipped. When an element comes twice, the last one counts.
std::optional<UserDataHeader> readUserDataHeader(const unsigned char* ud, size_t size);
// The same for user data as hex text (std::nullopt also for text that is
// not whole hex octets).
std::optional<UserDataHeader> readUserDataHeader(const QString& udHex);

// The header as this program stores it for a smart-message part: the port
// element first (so that the readers find the header by "0504" and the
// port), then the concatenation element as it came (00 or 08), nothing
// else. For a header in the program's own layout this is the header itself;
// it is never longer than the header it was read from.
QString portFirstHeaderHex(const UserDataHeader& header);

} // namespace udh
