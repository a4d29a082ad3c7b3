#pragma once
// Only one copy of the program runs per user: a lock file named after the
// product in the runtime folder. A lock left by a crashed copy is taken over.
#include <QString>
#include <memory>

class QLockFile;

class SingleInstance {
public:
    explicit SingleInstance(const QString& name = QStringLiteral("Velquarin"));
    ~SingleInstance();
    // True when this process now holds the lock.
    bool acquire();
    void release();
    QString lockPath() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};
