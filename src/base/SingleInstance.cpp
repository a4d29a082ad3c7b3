#include "base/SingleInstance.h"

#include "base/AppPaths.h"

#include <QDir>
#include <QLockFile>

SingleInstance::SingleInstance(const QString& name)
    : path_(QDir(AppPaths::runtimeDir()).filePath(name + QStringLiteral(".lock")))
{
}

SingleInstance::~SingleInstance() { release(); }

bool SingleInstance::acquire()
{
    QDir().mkpath(QFileInfo(path_).path());
    lock_ = std::make_unique<QLockFile>(path_);
    // A lock whose owner process is gone is stale whatever its age.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    if (lock_->error() == QLockFile::LockFailedError && lock_->removeStaleLockFile() && lock_->tryLock(0))
        return true;
    lock_.reset();
    return false;
}

void SingleInstance::release()
{
    if (lock_) {
        lock_->unlock();
        lock_.reset();
    }
}
