#include "app/settings/window/statistics_tab.h"

#include "app/settings/period_edits.h"
#include "app/settings/window/edit_settings.h"
#include "app/settings/window/renewed_column.h"
#include "app/settings/window/settings_switch.h"
#include "netcore/history/rate_format.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace wirelark {

namespace {

QWidget* periodRow(AppSettings& settings, double period, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const QString label = QString::fromStdString(periodLabel(period));
    layout->addWidget(new QLabel(QStringLiteral("Last ") + label, row));
    auto* remove = new QToolButton(row);
    remove->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
    remove->setText(QStringLiteral("−"));
    remove->setAccessibleName(QStringLiteral("Remove ") + label);
    QObject::connect(remove, &QToolButton::clicked, row, [&settings, period] {
        editSettings(settings, [period](SettingsData& data) { std::erase(data.periods, period); });
    });
    layout->addWidget(remove);
    if (isShorterThanTwoUpdates(period, settings.data().updateInterval)) {
        auto* caption = new QLabel(QStringLiteral("shorter than two updates; hidden"), row);
        caption->setObjectName(QStringLiteral("hiddenCaption"));
        layout->addWidget(caption);
    }
    layout->addStretch();
    return row;
}

} // namespace

StatisticsTab::StatisticsTab(AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings), amount_(new QSpinBox(this)),
      unit_(new QComboBox(this)) {
    auto* perPeriod = new QGroupBox(QStringLiteral("Show for each period"), this);
    auto* perPeriodLayout = new QVBoxLayout(perPeriod);
    perPeriodLayout->addWidget(new SettingsSwitch(QStringLiteral("Average"), settings,
                                                  &SettingsData::showAverage, perPeriod));
    perPeriodLayout->addWidget(new SettingsSwitch(QStringLiteral("Minimum and maximum"), settings,
                                                  &SettingsData::showMinMax, perPeriod));

    auto* periods = new QGroupBox(QStringLiteral("Periods"), this);
    periodsLayout_ = new QVBoxLayout(periods);

    amount_->setObjectName(QStringLiteral("amount"));
    amount_->setAccessibleName(QStringLiteral("Amount"));
    amount_->setRange(kMinPeriodAmount, kMaxPeriodAmount);
    unit_->setObjectName(QStringLiteral("unit"));
    unit_->setAccessibleName(QStringLiteral("Unit"));
    for (const PeriodUnit& unit : kPeriodUnits) {
        unit_->addItem(
            QString::fromUtf8(unit.label.data(), static_cast<qsizetype>(unit.label.size())),
            unit.seconds);
    }
    auto* add = new QPushButton(QStringLiteral("Add period"), this);
    connect(add, &QPushButton::clicked, this, &StatisticsTab::addChosenPeriod);
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(new QLabel(QStringLiteral("Amount"), this));
    addRow->addWidget(amount_);
    addRow->addWidget(new QLabel(QStringLiteral("Unit"), this));
    addRow->addWidget(unit_);
    addRow->addWidget(add);
    addRow->addStretch();
    periodsLayout_->addLayout(addRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(perPeriod);
    layout->addWidget(periods);
    layout->addWidget(new QLabel(QStringLiteral("History is kept for 90 days."), this));
    layout->addStretch();

    showPeriods();
    connect(&settings_, &AppSettings::changed, this, &StatisticsTab::showPeriods);
}

void StatisticsTab::showPeriods() {
    QVBoxLayout* rows = renewColumn(periodRows_, this, QStringLiteral("periodRows"));
    const std::vector<double>& periods = settings_.data().periods;
    if (periods.empty()) {
        auto* none = new QLabel(
            QStringLiteral("None. Add a period to show average and minimum–maximum rates over it."),
            periodRows_);
        none->setWordWrap(true);
        rows->addWidget(none);
    }
    for (const double period : periods) {
        rows->addWidget(periodRow(settings_, period, periodRows_));
    }
    periodsLayout_->insertWidget(0, periodRows_);
}

void StatisticsTab::addChosenPeriod() {
    const int amount = amount_->value();
    const double unit = unit_->currentData().toDouble();
    editSettings(settings_, [&](SettingsData& data) { addPeriod(data.periods, amount, unit); });
}

} // namespace wirelark
