#include "app/admin/keyring_token_store.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace wirelark {

namespace {

// Runs the job to its end; jobs report through the event loop.
void finish(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// Whether the answer came from a keyring at all, as opposed to there being none to ask.
bool keyringAnswered(QKeychain::Error error) {
    return error == QKeychain::NoError || error == QKeychain::EntryNotFound ||
           error == QKeychain::AccessDeniedByUser;
}

} // namespace

std::optional<std::string> KeyringTokenStore::read() {
    QKeychain::ReadPasswordJob job(QString::fromLatin1(kService));
    job.setKey(QString::fromLatin1(kAccount));
    finish(job);
    if (job.error() == QKeychain::NoError) {
        const QByteArray token = job.binaryData();
        if (token.isEmpty()) {
            return std::nullopt;
        }
        return token.toStdString();
    }
    if (!keyringAnswered(job.error()) && fallback_) {
        return fallback_->read();
    }
    return std::nullopt;
}

bool KeyringTokenStore::write(const std::string& token) {
    QKeychain::WritePasswordJob job(QString::fromLatin1(kService));
    job.setKey(QString::fromLatin1(kAccount));
    job.setBinaryData(QByteArray::fromStdString(token));
    finish(job);
    if (job.error() == QKeychain::NoError) {
        if (fallback_) {
            // A token left from a time without a keyring would only go stale.
            fallback_->remove();
        }
        return true;
    }
    // A keyring that refused (the user cancelled its prompt) keeps the token nowhere.
    return !keyringAnswered(job.error()) && fallback_ && fallback_->write(token);
}

void KeyringTokenStore::remove() {
    QKeychain::DeletePasswordJob job(QString::fromLatin1(kService));
    job.setKey(QString::fromLatin1(kAccount));
    finish(job);
    if (fallback_) {
        fallback_->remove();
    }
}

} // namespace wirelark
