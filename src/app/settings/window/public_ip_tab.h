#pragma once

#include "app/model/network_model.h"
#include "app/settings/app_settings.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace wirelark {

// Whether and where the public address is looked up, and the last answer.
class PublicIPTab : public QWidget {
public:
    PublicIPTab(AppSettings& settings, NetworkModel& model, QWidget* parent = nullptr);

private:
    void showStored();
    void showResult();

    AppSettings& settings_;
    NetworkModel& model_;
    QWidget* custom_;
    QLineEdit* customURL_;
    QLineEdit* keyPath_;
    QLabel* result_;
};

} // namespace wirelark
