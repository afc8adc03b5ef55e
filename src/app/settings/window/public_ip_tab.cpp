#include "app/settings/window/public_ip_tab.h"

#include "app/settings/window/edit_settings.h"
#include "app/settings/window/settings_choice.h"
#include "app/settings/window/settings_switch.h"
#include "netcore/history/rate_format.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace wirelark {

namespace {

constexpr double kRefreshMinutes[] = {5, 15, 30, 60, 240};

SettingsOptions<PublicIPProvider> providerOptions() {
    SettingsOptions<PublicIPProvider> options;
    for (const PublicIPProvider provider : kPublicIPProviders) {
        const std::string_view name = title(provider);
        options.emplace_back(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                             provider);
    }
    return options;
}

SettingsOptions<double> refreshOptions() {
    SettingsOptions<double> options;
    for (const double minutes : kRefreshMinutes) {
        options.emplace_back(QString::fromStdString(periodLabel(minutes * 60)), minutes);
    }
    return options;
}

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// Writes the text into the settings as it is typed; a change from elsewhere replaces it only
// when it differs, so the cursor stays where the user is typing.
void bindText(QLineEdit* field, AppSettings& settings, std::string SettingsData::*text) {
    QObject::connect(field, &QLineEdit::textEdited, field, [&settings, text](const QString& typed) {
        editSettings(settings, [&](SettingsData& data) { data.*text = typed.toStdString(); });
    });
}

} // namespace

PublicIPTab::PublicIPTab(AppSettings& settings, NetworkModel& model, QWidget* parent)
    : QWidget(parent), settings_(settings), model_(model), custom_(new QWidget(this)),
      customURL_(new QLineEdit(custom_)), keyPath_(new QLineEdit(custom_)),
      result_(new QLabel(this)) {
    auto* enabled = new SettingsSwitch(QStringLiteral("Look up public IP address"), settings,
                                       &SettingsData::publicIPEnabled, this);
    auto* provider =
        makeSettingsChoice(settings, &SettingsData::publicIPProvider, providerOptions(), this);
    provider->setObjectName(QStringLiteral("publicIPProvider"));

    customURL_->setObjectName(QStringLiteral("publicIPCustomURL"));
    customURL_->setPlaceholderText(QStringLiteral("https://example.com/ip"));
    bindText(customURL_, settings, &SettingsData::publicIPCustomURL);
    keyPath_->setObjectName(QStringLiteral("publicIPJSONKeyPath"));
    keyPath_->setPlaceholderText(QStringLiteral("optional, e.g. ip or data.address"));
    bindText(keyPath_, settings, &SettingsData::publicIPJSONKeyPath);
    auto* customFields = new QFormLayout;
    customFields->addRow(QStringLiteral("URL"), customURL_);
    customFields->addRow(QStringLiteral("JSON key path"), keyPath_);
    auto* customLayout = new QVBoxLayout(custom_);
    customLayout->setContentsMargins(0, 0, 0, 0);
    customLayout->addLayout(customFields);
    customLayout->addWidget(note(QStringLiteral("The response can be a bare address or JSON. "
                                                "Without a key path, common keys like ip and "
                                                "address are tried."),
                                 custom_));

    auto* refresh =
        makeSettingsChoice(settings, &SettingsData::publicIPRefreshMinutes, refreshOptions(), this);
    refresh->setObjectName(QStringLiteral("publicIPRefreshMinutes"));
    auto* lookUp = new QPushButton(QStringLiteral("Look up now"), this);
    connect(lookUp, &QPushButton::clicked, &model_, &NetworkModel::refreshPublicIP);
    result_->setObjectName(QStringLiteral("publicIPResult"));
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* pickers = new QFormLayout;
    pickers->addRow(QStringLiteral("Service"), provider);
    auto* refreshRow = new QFormLayout;
    refreshRow->addRow(QStringLiteral("Refresh every"), refresh);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enabled);
    layout->addWidget(note(QStringLiteral("Sends a request to the chosen service, which sees your "
                                          "address. Off by default."),
                           this));
    layout->addLayout(pickers);
    layout->addWidget(custom_);
    layout->addLayout(refreshRow);
    layout->addWidget(lookUp);
    layout->addWidget(result_);
    layout->addStretch();

    showStored();
    showResult();
    connect(&settings_, &AppSettings::changed, this, &PublicIPTab::showStored);
    connect(&model_, &NetworkModel::publicIPChanged, this, &PublicIPTab::showResult);
    connect(&model_, &NetworkModel::publicIPLoadingChanged, this, &PublicIPTab::showResult);
}

void PublicIPTab::showStored() {
    const SettingsData& data = settings_.data();
    custom_->setVisible(data.publicIPProvider == PublicIPProvider::custom);
    const QString url = QString::fromStdString(data.publicIPCustomURL);
    if (customURL_->text() != url) {
        customURL_->setText(url);
    }
    const QString keyPath = QString::fromStdString(data.publicIPJSONKeyPath);
    if (keyPath_->text() != keyPath) {
        keyPath_->setText(keyPath);
    }
}

void PublicIPTab::showResult() {
    if (model_.publicIPLoading()) {
        result_->setText(QStringLiteral("Looking up…"));
        return;
    }
    const std::optional<PublicIPResult>& found = model_.publicIP();
    if (!found) {
        result_->clear();
        return;
    }
    QStringList lines;
    if (found->ipv4) {
        lines << QStringLiteral("IPv4: ") + QString::fromStdString(*found->ipv4);
    }
    if (found->ipv6) {
        lines << QStringLiteral("IPv6: ") + QString::fromStdString(*found->ipv6);
    }
    if (found->error) {
        lines << QString::fromStdString(*found->error);
    }
    result_->setText(lines.join(QLatin1Char('\n')));
}

} // namespace wirelark
