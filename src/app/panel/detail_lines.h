#pragma once

#include "app/panel/detail_line.h"
#include "app/panel/row_texts.h"

#include <QWidget>

#include <vector>

namespace wirelark {

// A column of detail lines, the lines with a copy value copyable (the address list, the Wi-Fi
// lines). Updating keeps the lines that stay, so hover and focus survive a publication.
class DetailLines : public QWidget {
    Q_OBJECT

public:
    explicit DetailLines(QWidget* parent = nullptr);

    void setLines(const std::vector<DetailText>& lines);
    // The lines shown, as widgets, in order.
    std::vector<DetailLine*> lineWidgets() const;

private:
    std::vector<DetailText> texts_;
};

} // namespace wirelark
