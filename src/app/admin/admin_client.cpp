#include "app/admin/admin_client.h"

#include "admin/helper_feed.h"
#include "admin/helper_version.h"

#include <QMetaObject>

namespace wirelark {

namespace {

// The feed is looked at once a day at most, a failed look included.
constexpr double kUpdateCheckInterval = 86'400;

const BusError& noSystemBus() {
    static const BusError error{"errno", "The system bus is not reachable"};
    return error;
}

const BusError& connectionGone() {
    static const BusError error{"org.freedesktop.DBus.Error.Disconnected",
                                "The connection to the admin helper was lost"};
    return error;
}

} // namespace

AdminClient::AdminClient(std::unique_ptr<TokenStore> tokens, const Clock& clock,
                         AdminClientOptions options, QObject* parent)
    : AdminControls(parent), tokens_(std::move(tokens)), clock_(clock),
      options_(std::move(options)) {}

AdminClient::~AdminClient() {
    feedCancellation_.cancel();
    if (feedFetch_.joinable()) {
        feedFetch_.join();
    }
}

template <typename T>
void AdminClient::set(T& field, T value) {
    if (field != value) {
        field = std::move(value);
        emit changed();
    }
}

AdminAppCalls* AdminClient::calls() {
    if (calls_) {
        return calls_.get();
    }
    auto connection = options_.openBus ? options_.openBus() : std::nullopt;
    if (!connection) {
        return nullptr;
    }
    bus_ = std::make_unique<QtBusDispatcher>(std::move(*connection));
    connect(bus_.get(), &QtBusDispatcher::disconnected, this, &AdminClient::connectionLost);
    AdminAppCalls::Options callOptions = options_.calls;
    callOptions.queued = [dispatcher = bus_.get()] { dispatcher->flushSoon(); };
    calls_ = std::make_unique<AdminAppCalls>(bus_->bus().get(), std::move(callOptions));
    return calls_.get();
}

void AdminClient::connectionLost() {
    // The next call connects anew. The dispatcher is inside its own signal, so it goes later,
    // and the calls after their completions, which may already ask for the new connection.
    const std::unique_ptr<AdminAppCalls> lost = std::move(calls_);
    bus_.release()->deleteLater();
    lost->failPending(connectionGone());
}

void AdminClient::refresh() {
    AdminAppCalls* bus = calls();
    if (bus == nullptr) {
        becomeNotInstalled();
        return;
    }
    // The token is read only once a helper is there to ask: the keyring behind the store costs
    // its libraries' memory and a session-bus exchange, wasted on a system without a helper.
    bus->reachHelper([this](Expected<void, BusError> reached) {
        AdminAppCalls* helper = reached ? calls() : nullptr;
        if (helper == nullptr) {
            becomeNotInstalled();
            return;
        }
        const std::optional<std::string> token = tokens_->read();
        helper->status(token, [this, token](auto reply) {
            if (reply) {
                applyStatus(*reply, token);
            } else {
                becomeNotInstalled();
            }
        });
    });
}

void AdminClient::becomeNotInstalled() {
    set(state_, AdminState::notInstalled);
    set(helperVersion_, std::optional<std::string>());
}

void AdminClient::applyStatus(const AdminStatus& status, const std::optional<std::string>& sent) {
    const bool paired = status.paired.value_or(false);
    set(helperVersion_, status.version);
    set(helperProtocol_, static_cast<int>(status.protocol));
    if (state_ != AdminState::pairing) {
        set(state_, paired ? AdminState::paired : AdminState::notPaired);
    }
    // The helper no longer knows the token; one a pairing stored meanwhile stays.
    if (!paired && sent && tokens_->read() == sent) {
        tokens_->remove();
    }
    checkForUpdate();
}

void AdminClient::beginPairing() {
    set(state_, AdminState::pairing);
    set(lastError_, std::optional<std::string>());
    AdminAppCalls* helper = calls();
    if (helper == nullptr) {
        failPairing(failureText(noSystemBus()));
        return;
    }
    helper->beginPairing([this](Expected<std::string, BusError> requestID) {
        if (!requestID) {
            failPairing(failureText(requestID.error()));
            return;
        }
        openAdminApp();
        AdminAppCalls* again = calls();
        if (again == nullptr) {
            failPairing(failureText(noSystemBus()));
            return;
        }
        again->awaitPairing(*requestID, [this](Expected<std::string, BusError> token) {
            if (!token) {
                failPairing(failureText(token.error()));
                return;
            }
            if (!tokens_->write(*token)) {
                // The helper would keep a pairing nobody holds.
                if (AdminAppCalls* helper = calls()) {
                    helper->unpair(*token, [](auto) {});
                }
                failPairing("The pairing token could not be stored");
                return;
            }
            set(state_, AdminState::paired);
        });
    });
}

void AdminClient::failPairing(const std::string& text) {
    set(lastError_, std::optional(text));
    set(state_, AdminState::notPaired);
}

void AdminClient::unpair() {
    const std::optional<std::string> token = tokens_->read();
    if (!token) {
        return;
    }
    if (AdminAppCalls* helper = calls()) {
        // Whatever the helper says, what it knows now decides the state.
        helper->unpair(*token, [this](auto) { refresh(); });
    }
    tokens_->remove();
    set(state_, AdminState::notPaired);
}

void AdminClient::setServiceEnabled(const std::string& serviceID, bool enabled,
                                    std::function<void(std::optional<std::string> error)> done) {
    const std::optional<std::string> token = tokens_->read();
    if (!token) {
        done(failureText(adminBusError(AdminError::notPaired)));
        return;
    }
    AdminAppCalls* helper = calls();
    if (helper == nullptr) {
        done(failureText(noSystemBus()));
        return;
    }
    helper->setServiceEnabled(
        serviceID, enabled, *token, [done = std::move(done)](Expected<void, BusError> result) {
            done(result ? std::nullopt : std::optional(failureText(result.error())));
        });
}

void AdminClient::tunnelOwners(std::function<void(TunnelOwnerMap)> done) {
    AdminAppCalls* helper =
        state_ == AdminState::checking || state_ == AdminState::notInstalled ? nullptr : calls();
    if (helper == nullptr) {
        done({});
        return;
    }
    helper->tunnelOwners([done = std::move(done)](Expected<TunnelOwnerMap, BusError> owners) {
        done(owners ? std::move(*owners) : TunnelOwnerMap{});
    });
}

void AdminClient::openAdminApp() {
    if (options_.openAdminApp) {
        options_.openAdminApp();
    }
}

void AdminClient::checkForUpdate() {
    if (!helperVersion_ || options_.feedURL.empty()) {
        return;
    }
    const double now = clock_.monotonicNow();
    if (lastUpdateCheck_ && now - *lastUpdateCheck_ < kUpdateCheckInterval) {
        return;
    }
    // Set before fetching, so that a failed fetch waits a day too.
    lastUpdateCheck_ = now;
    if (feedFetch_.joinable()) {
        feedFetch_.join();
    }
    feedFetch_ = std::jthread([this, url = options_.feedURL] {
        const auto body = fetchOverEitherFamily(http_, url, &feedCancellation_);
        std::optional<std::string> text;
        if (body) {
            text = std::string(body->begin(), body->end());
        }
        QMetaObject::invokeMethod(
            this, [this, text = std::move(text)] { feedFetched(text); }, Qt::QueuedConnection);
    });
}

void AdminClient::feedFetched(const std::optional<std::string>& body) {
    if (!body || !helperVersion_) {
        return;
    }
    const std::optional<std::string> published = helperFeedVersion(*body);
    if (!published) {
        return;
    }
    set(availableUpdate_,
        isNewerVersion(*published, *helperVersion_) ? published : std::optional<std::string>());
}

} // namespace wirelark
