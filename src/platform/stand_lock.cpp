// The stand's lock file, through QLockFile.
#include "platform/stand_lock.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace folio {

StandLock::StandLock(const QString& folder)
    : path_(QDir(folder).filePath(QStringLiteral("spartiti/.folioscribe.lock"))),
      lock_(std::make_unique<QLockFile>(path_)) {
    // A stand stays open for hours: only a lock whose program is gone is stale.
    lock_->setStaleLockTime(0);
}

StandLock::Outcome StandLock::take() {
    if (lock_->tryLock(0))
        return Outcome::Held;
    if (lock_->error() == QLockFile::LockFailedError)
        return Outcome::HeldElsewhere;
    failure_ = lock_->error() == QLockFile::PermissionError
                   ? QStringLiteral("the folder spartiti cannot be written")
                   : QStringLiteral("the lock file %1 cannot be made")
                         .arg(QDir::toNativeSeparators(path_));
    return Outcome::Failed;
}

bool StandLock::takeOver() {
    return lock_->removeStaleLockFile() && take() == Outcome::Held;
}

bool StandLock::holderKnown() const {
    qint64 pid = 0;
    QString host;
    QString program;
    return lock_->getLockInfo(&pid, &host, &program);
}

QString StandLock::holder() const {
    qint64 pid = 0;
    QString host;
    QString program;
    if (!lock_->getLockInfo(&pid, &host, &program))
        return QStringLiteral("another program");
    const QDateTime since = QFileInfo(path_).lastModified();
    return QStringLiteral("%1, process %2, since %3")
        .arg(host.isEmpty() ? QStringLiteral("this computer") : host)
        .arg(pid)
        .arg(since.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

} // namespace folio
