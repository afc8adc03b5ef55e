#include "app/panel/transfer_rates.h"

#include "app/panel/panel_style.h"
#include "app/panel/row_texts.h"
#include "app/panel/symbol_icons.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace wirelark {
namespace {

QLabel* cell(const QString& text, QWidget* parent, bool secondary) {
    auto* label = new QLabel(text, parent);
    label->setFont(monospacedFont(9.5));
    if (secondary) {
        makeSecondary(*label);
    }
    return label;
}

void colour(QLabel& label, const QColor& color) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, color);
    label.setPalette(palette);
}

// The row's cells share its help text and, when too little of the period was seen, its dimming.
void styleRow(const std::vector<QLabel*>& cells, const StatisticsRow& row) {
    for (QLabel* label : cells) {
        label->setToolTip(QString::fromStdString(row.help));
        if (row.dimmed == (label->graphicsEffect() != nullptr)) {
            continue;
        }
        if (row.dimmed) {
            auto* effect = new QGraphicsOpacityEffect(label);
            effect->setOpacity(0.6);
            label->setGraphicsEffect(effect);
        } else {
            label->setGraphicsEffect(nullptr);
        }
    }
}

// Tables of one shape differ only in texts, so their labels can be kept.
bool sameShape(const StatisticsTable& a, const StatisticsTable& b) {
    return a.noTraffic == b.noTraffic && a.header == b.header && a.rows.size() == b.rows.size() &&
           std::equal(a.rows.begin(), a.rows.end(), b.rows.begin(),
                      [](const StatisticsRow& x, const StatisticsRow& y) {
                          return x.observed == y.observed && x.cells.size() == y.cells.size();
                      });
}

} // namespace

TransferRates::TransferRates(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* current = new QHBoxLayout;
    current->setSpacing(12);
    current->setContentsMargins(0, 0, 0, 0);
    const QFont font = monospacedFont(11);
    downloadSymbol_.setPixmap(tintedSymbol(Symbol::arrowDown, 12, kDownloadColor));
    uploadSymbol_.setPixmap(tintedSymbol(Symbol::arrowUp, 12, kUploadColor));
    for (QLabel* text : {&downloadText_, &uploadText_}) {
        text->setFont(font);
    }
    colour(downloadText_, kDownloadColor);
    colour(uploadText_, kUploadColor);
    for (QLabel* part : {&downloadSymbol_, &downloadText_, &uploadSymbol_, &uploadText_}) {
        current->addWidget(part, 0, Qt::AlignVCenter);
    }
    current->insertSpacing(2, 6);
    current->addStretch();
    column->addLayout(current);
}

void TransferRates::setItem(const InterfaceItem& item, const SettingsData& settings) {
    const CurrentRateTexts texts = currentRateTexts(item, settings.useBits);
    downloadText_.setText(QString::fromStdString(texts.download));
    downloadText_.setAccessibleName(QString::fromStdString(texts.downloadAccessible));
    uploadText_.setText(QString::fromStdString(texts.upload));
    uploadText_.setAccessibleName(QString::fromStdString(texts.uploadAccessible));
    showStatistics(statisticsTable(item, settings));
}

void TransferRates::showStatistics(const std::optional<StatisticsTable>& table) {
    if (table == shown_ && (statistics_ != nullptr) == table.has_value()) {
        return;
    }
    if (table && shown_ && statistics_ && sameShape(*table, *shown_)) {
        for (size_t r = 0; r < table->rows.size(); ++r) {
            const StatisticsRow& row = table->rows[r];
            std::vector<QLabel*>& cells = rowCells_[r];
            cells[0]->setText(QString::fromStdString(row.period));
            for (size_t c = 0; c < row.cells.size(); ++c) {
                cells[c + 1]->setText(QString::fromStdString(row.cells[c]));
            }
            styleRow(cells, row);
        }
        shown_ = table;
        return;
    }
    shown_ = table;
    rowCells_.clear();
    delete statistics_;
    statistics_ = nullptr;
    noTraffic_ = nullptr;
    grid_ = nullptr;
    if (!table) {
        return;
    }
    statistics_ = new QWidget(this);
    layout()->addWidget(statistics_);
    fillStatistics(*table);
    // Shown now with its cells, not from the event loop, so that the height reported for the
    // row counts it.
    statistics_->show();
}

void TransferRates::fillStatistics(const StatisticsTable& table) {
    if (table.noTraffic) {
        auto* layout = new QVBoxLayout(statistics_);
        layout->setContentsMargins(0, 0, 0, 0);
        noTraffic_ = new QLabel("No traffic observed", statistics_);
        noTraffic_->setFont(systemFont(9.5));
        makeSecondary(*noTraffic_);
        layout->addWidget(noTraffic_);
        return;
    }
    grid_ = new QGridLayout(statistics_);
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setHorizontalSpacing(8);
    grid_->setVerticalSpacing(1);
    grid_->setAlignment(Qt::AlignLeft);
    const int valueColumns = static_cast<int>(table.header.size());
    for (int c = 0; c < valueColumns; ++c) {
        grid_->addWidget(
            cell(QString::fromStdString(table.header[static_cast<size_t>(c)]), statistics_, true),
            0, c + 1);
    }
    int r = 1;
    for (const StatisticsRow& row : table.rows) {
        std::vector<QLabel*> cells{cell(QString::fromStdString(row.period), statistics_, true)};
        grid_->addWidget(cells.front(), r, 0);
        for (size_t c = 0; c < row.cells.size(); ++c) {
            cells.push_back(cell(QString::fromStdString(row.cells[c]), statistics_, false));
            const int span = row.observed ? 1 : valueColumns;
            grid_->addWidget(cells.back(), r, static_cast<int>(c) + 1, 1, span,
                             row.observed ? Qt::Alignment() : Qt::AlignHCenter);
        }
        styleRow(cells, row);
        rowCells_.push_back(std::move(cells));
        ++r;
    }
}

} // namespace wirelark
