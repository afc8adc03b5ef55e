#pragma once

#include <QWidget>

#include <cstdint>

namespace wirelark {

// The names of an interface's set flags, each in a small capsule, wrapped onto lines.
class FlagCapsules : public QWidget {
    Q_OBJECT

public:
    explicit FlagCapsules(QWidget* parent = nullptr);

    void setFlags(uint32_t flags);
    uint32_t flags() const { return flags_; }

private:
    uint32_t flags_ = 0;
};

} // namespace wirelark
