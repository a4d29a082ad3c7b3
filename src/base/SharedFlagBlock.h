#pragma once
// A named 10-byte shared-memory block holding a 4-byte little-endian float
// at offset 0 ("Outbox": rows handed in; "Inbox": a message was stored).
// Other programs open it by name with shm_open ("/Outbox", "/Inbox").
//
// Only an object of this user that no other user may write is used: one
// that another local user created, or one open to writing by the group or
// by others (mode 0666), would let that user queue messages under this
// user's name or read them, so it is refused.
#include <QString>
#include <sys/types.h>

class SharedFlagBlock {
public:
    static constexpr int kSize = 10;

    SharedFlagBlock() = default;
    ~SharedFlagBlock();
    SharedFlagBlock(const SharedFlagBlock&) = delete;
    SharedFlagBlock& operator=(const SharedFlagBlock&) = delete;

    enum class Result { Ok, CreateFailed, MapFailed, NotTrusted };
    // Opens or creates the object and maps it. The object is never unlinked:
    // a peer keeps its handle across our restarts. NotTrusted: the object
    // exists but belongs to another user than `owner` (this process's
    // effective user when -1) or may be written by other users; it is left
    // as it is and not mapped.
    Result create(const QString& name, uid_t owner = uid_t(-1));
    bool isMapped() const { return view_ != nullptr; }
    // Reads the flag; 0 when not mapped or when another program shrank the
    // object below 4 bytes.
    float readFloat() const;
    bool writeFloat(float value);
    void close();
    // The object's name as given to shm_open (with its leading slash).
    static QString objectName(const QString& name);

private:
    bool sizeOk() const;
    int fd_ = -1;
    void* view_ = nullptr;
};
