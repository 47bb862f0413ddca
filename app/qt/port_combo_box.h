#pragma once

#include <QComboBox>
#include <functional>

namespace tc24 {

// The port list: it refreshes its entries' tooltips (the device each opens and whether it is
// present) each time it opens, since adapters come and go while the tool runs.
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    std::function<void()> beforePopup;

    void showPopup() override {
        if (beforePopup) {
            beforePopup();
        }
        QComboBox::showPopup();
    }
};

}  // namespace tc24
