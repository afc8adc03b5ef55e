#pragma once

#include "app/core/interface_item.h"
#include "app/core/settings_data.h"
#include "app/panel/rate_statistics.h"

#include <QGridLayout>
#include <QLabel>
#include <QWidget>

#include <optional>
#include <vector>

namespace wirelark {

// The current download and upload rates, and under them the averages and ranges over the
// configured periods.
class TransferRates : public QWidget {
    Q_OBJECT

public:
    explicit TransferRates(QWidget* parent = nullptr);

    void setItem(const InterfaceItem& item, const SettingsData& settings);

    QLabel& downloadText() { return downloadText_; }
    QLabel& uploadText() { return uploadText_; }
    // The statistics as shown: "No traffic observed", or its grid; null when hidden.
    QLabel* noTrafficLabel() { return noTraffic_; }
    QGridLayout* statisticsGrid() { return grid_; }

private:
    void showStatistics(const std::optional<StatisticsTable>& table);
    // Makes the statistics widget's cells for the table.
    void fillStatistics(const StatisticsTable& table);

    QLabel downloadSymbol_;
    QLabel downloadText_;
    QLabel uploadSymbol_;
    QLabel uploadText_;
    QWidget* statistics_ = nullptr;
    QLabel* noTraffic_ = nullptr;
    QGridLayout* grid_ = nullptr;
    std::vector<std::vector<QLabel*>> rowCells_; // per period: its label, then its values
    std::optional<StatisticsTable> shown_;
    bool useBits_ = false;
};

} // namespace wirelark
