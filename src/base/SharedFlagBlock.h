#pragma once
// A named 10-byte shared-memory block holding a 4-byte little-endian float
// at offset 0 ("Outbox": rows handed in; "Inbox": a message was stored).
// Other programs open it by name with shm_open ("/Outbox", "/Inbox").
#include <QString>

class SharedFlagBlock {
public:
    static constexpr int kSize = 10;

    SharedFlagBlock() = default;
    ~SharedFlagBlock();
    SharedFlagBlock(const SharedFlagBlock&) = delete;
    SharedFlagBlock& operator=(const SharedFlagBlock&) = delete;

    enum class Result { Ok, CreateFailed, MapFailed };
    // Opens or creates the object and maps it. The object is never unlinked:
    // a peer keeps its handle across our restarts.
    Result create(const QString& name);
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
