#pragma once

#include "app/settings/app_settings.h"

#include <QWidget>

class QComboBox;
class QSpinBox;
class QVBoxLayout;

namespace wirelark {

// Which statistics the rows show and over which periods.
class StatisticsTab : public QWidget {
public:
    explicit StatisticsTab(AppSettings& settings, QWidget* parent = nullptr);

private:
    void showPeriods();
    void addChosenPeriod();

    AppSettings& settings_;
    QWidget* periodRows_ = nullptr;
    QVBoxLayout* periodsLayout_;
    QSpinBox* amount_;
    QComboBox* unit_;
};

} // namespace wirelark
