#pragma once

#include <QPointer>
#include <QStatusBar>
#include <QWidget>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "link/ui.h"

namespace tc24 {

// The controls of a window addressed by object name. The name table is built once, so every
// control must exist when this is constructed. Unknown names are ignored (reads give empty
// results) and reported once each with qWarning.
class QtControls : public Controls {
public:
    QtControls(QWidget* window, QStatusBar* statusBar);

    // Line edits, plain-text edits, labels, buttons, group-box titles; a combo box gives the
    // text it shows (its placeholder while no entry is selected) and setText selects the entry
    // with that text. Multi-line boxes give their line breaks back as "\n".
    std::string text(std::string_view name) const override;
    void setText(std::string_view name, std::string_view text) override;
    // Adds exactly `text` at the end, without a line break of its own.
    void appendText(std::string_view name, std::string_view text) override;

    TextColor textColor(std::string_view name) const override;
    void setTextColor(std::string_view name, TextColor color) override;

    bool isShown(std::string_view name) const override;
    void setShown(std::string_view name, bool shown) override;

    void bringToFront(std::string_view imageName) override;
    std::string frontImage() const override;

    // Selecting an entry from here does not count as the operator's choice (no activated()).
    int currentIndex(std::string_view combo) const override;
    void setCurrentIndex(std::string_view combo, int index) override;
    int itemCount(std::string_view combo) const override;
    std::string itemText(std::string_view combo, int index) const override;

    void showStatus(std::string_view message) override;

    QWidget* widget(std::string_view name) const;

private:
    template <typename W>
    W* find(std::string_view name, const char* what) const;
    void warnOnce(std::string_view name, const char* what) const;

    // Looked up by a name given as a string_view, without making a string of it.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };
    // A poll looks up some hundred controls: a hash finds each without comparing names
    // that share their beginnings ("txtValue_1…") down a tree.
    std::unordered_map<std::string, QPointer<QWidget>, NameHash, std::equal_to<>> widgets_;
    QPointer<QStatusBar> statusBar_;
    // The widget this adapter raised last; nothing else in the window raises widgets.
    QPointer<QWidget> lastRaised_;
    mutable std::set<std::string, std::less<>> warned_;
};

}  // namespace tc24
