#include "base/SharedFlagBlock.h"

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

SharedFlagBlock::~SharedFlagBlock() { close(); }

QString SharedFlagBlock::objectName(const QString& name)
{
    return name.startsWith(QLatin1Char('/')) ? name : QLatin1Char('/') + name;
}

SharedFlagBlock::Result SharedFlagBlock::create(const QString& name, uid_t owner)
{
    close();
    if (owner == uid_t(-1))
        owner = ::geteuid();
    const QByteArray n = objectName(name).toLocal8Bit();
    fd_ = ::shm_open(n.constData(), O_CREAT | O_RDWR, 0600);
    if (fd_ < 0)
        return Result::CreateFailed;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        ::close(fd_);
        fd_ = -1;
        return Result::CreateFailed;
    }
    // Checked on the object opened, not on its name, so that it cannot be
    // swapped between the check and the use; nothing is written to it first.
    if (st.st_uid != owner || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(fd_);
        fd_ = -1;
        return Result::NotTrusted;
    }
    if (st.st_size < kSize && ::ftruncate(fd_, kSize) != 0) {
        ::close(fd_);
        fd_ = -1;
        return Result::CreateFailed;
    }
    void* p = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (p == MAP_FAILED) {
        ::close(fd_);
        fd_ = -1;
        return Result::MapFailed;
    }
    view_ = p;
    return Result::Ok;
}

bool SharedFlagBlock::sizeOk() const
{
    // Touching a page beyond the end of a truncated object raises SIGBUS, so
    // check the object's size before every access.
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_size >= 4;
}

float SharedFlagBlock::readFloat() const
{
    // Through the descriptor rather than the mapping: if another program
    // shrinks the object between our size check and the access, a read
    // comes back short instead of raising SIGBUS.
    unsigned char b[4];
    if (!view_ || !sizeOk() || ::pread(fd_, b, 4, 0) != 4)
        return 0.0f;
    const quint32 bits = quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

bool SharedFlagBlock::writeFloat(float value)
{
    if (!view_ || !sizeOk())
        return false;
    quint32 bits;
    std::memcpy(&bits, &value, 4);
    const unsigned char b[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    return ::pwrite(fd_, b, 4, 0) == 4;
}

void SharedFlagBlock::close()
{
    if (view_) {
        ::munmap(view_, kSize);
        view_ = nullptr;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
