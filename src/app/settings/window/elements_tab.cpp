#include "app/settings/window/elements_tab.h"

#include "app/settings/element_edits.h"
#include "app/settings/window/edit_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <set>

namespace wirelark {

namespace {

QString pickerLabel(const InterfaceFingerprint& fingerprint) {
    QString text = QString::fromStdString(fingerprint.name);
    if (fingerprint.title && !fingerprint.title->empty()) {
        text += QStringLiteral(" — ") + QString::fromStdString(*fingerprint.title);
    }
    return text;
}

} // namespace

ElementsTab::ElementsTab(AppSettings& settings, const NetworkModel& model, QWidget* parent)
    : QWidget(parent), settings_(settings), model_(model), interface_(new QComboBox(this)),
      useDefaults_(new QCheckBox(QStringLiteral("Use defaults"), this)) {
    interface_->setObjectName(QStringLiteral("elementsInterface"));
    useDefaults_->setObjectName(QStringLiteral("useDefaults"));

    auto* shown = new QGroupBox(QStringLiteral("Shown elements"), this);
    auto* shownLayout = new QVBoxLayout(shown);
    for (const InterfaceElement element : kAllInterfaceElements) {
        auto* elementSwitch = new QCheckBox(QString::fromUtf8(title(element)), shown);
        elementSwitch->setObjectName(QString::fromUtf8(rawValue(element)));
        shownLayout->addWidget(elementSwitch);
        elementSwitches_[element] = elementSwitch;
        connect(elementSwitch, &QCheckBox::toggled, this, [this, element](bool on) {
            editSettings(settings_, [&](SettingsData& data) {
                setElementShown(data, selectedKey(), element, on);
            });
        });
    }

    connect(interface_, &QComboBox::currentIndexChanged, this, &ElementsTab::showElements);
    connect(useDefaults_, &QCheckBox::toggled, this, [this](bool on) {
        if (const auto key = selectedKey()) {
            editSettings(settings_,
                         [&](SettingsData& data) { setUsesDefaultElements(data, *key, on); });
        }
    });
    connect(&settings_, &AppSettings::changed, this, &ElementsTab::showInterfaces);
    connect(&model_, &NetworkModel::itemsChanged, this, &ElementsTab::showInterfaces);

    auto* picker = new QFormLayout;
    picker->addRow(QStringLiteral("Interface"), interface_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(picker);
    layout->addWidget(useDefaults_);
    layout->addWidget(shown);
    layout->addStretch();
    showInterfaces();
}

std::optional<std::string> ElementsTab::selectedKey() const {
    const QVariant key = interface_->currentData();
    if (!key.isValid()) {
        return std::nullopt;
    }
    return key.toString().toStdString();
}

void ElementsTab::showInterfaces() {
    const std::optional<std::string> selected = selectedKey();
    {
        const QSignalBlocker quiet(interface_);
        interface_->clear();
        interface_->addItem(QStringLiteral("Defaults for all interfaces"));
        // An interface that is present and pinned is listed once, as it is now.
        std::set<std::string> listed;
        auto add = [&](const InterfaceFingerprint& fingerprint) {
            if (listed.insert(fingerprint.key).second) {
                interface_->addItem(pickerLabel(fingerprint),
                                    QString::fromStdString(fingerprint.key));
            }
        };
        for (const InterfaceItem& item : model_.items()) {
            add(item.fingerprint());
        }
        for (const InterfaceFingerprint& pin : settings_.data().pinned) {
            add(pin);
        }
        const int index = selected ? interface_->findData(QString::fromStdString(*selected)) : 0;
        // An interface that went away and was not pinned leaves the defaults chosen.
        interface_->setCurrentIndex(index < 0 ? 0 : index);
    }
    showElements();
}

void ElementsTab::showElements() {
    const std::optional<std::string> key = selectedKey();
    const SettingsData& data = settings_.data();
    const bool useDefaults = key && usesDefaultElements(data, *key);
    {
        const QSignalBlocker quiet(useDefaults_);
        useDefaults_->setVisible(key.has_value());
        useDefaults_->setChecked(useDefaults);
    }
    const InterfaceElementSet& shown = key ? data.elements(*key) : data.elementDefaults;
    for (const auto& [element, elementSwitch] : elementSwitches_) {
        const QSignalBlocker quiet(elementSwitch);
        elementSwitch->setChecked(shown.contains(element));
        elementSwitch->setEnabled(!useDefaults);
    }
}

} // namespace wirelark
