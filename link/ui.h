#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tc24 {

// Text colour of a value box: red until the current query fills it, black once it did.
enum class TextColor { Black, Red };

// The window's controls, addressed by their object names (control_names.h).
// The Qt window implements it over real widgets; tests use a map-backed fake.
class Controls {
public:
    virtual ~Controls() = default;

    virtual std::string text(std::string_view name) const = 0;
    virtual void setText(std::string_view name, std::string_view text) = 0;
    virtual void appendText(std::string_view name, std::string_view text) = 0;

    virtual TextColor textColor(std::string_view name) const = 0;
    virtual void setTextColor(std::string_view name, TextColor color) = 0;

    // Shown or hidden on its own (not "effectively visible").
    virtual bool isShown(std::string_view name) const = 0;
    virtual void setShown(std::string_view name, bool shown) = 0;

    // The three stacked status images: bringing one to the front hides the other two.
    virtual void bringToFront(std::string_view imageName) = 0;
    virtual std::string frontImage() const = 0;

    // Combo boxes: -1 when no entry is selected.
    virtual int currentIndex(std::string_view combo) const = 0;
    virtual void setCurrentIndex(std::string_view combo, int index) = 0;
    virtual int itemCount(std::string_view combo) const = 0;
    virtual std::string itemText(std::string_view combo, int index) const = 0;

    // A line in the window's status bar (the system's reason when a port cannot be opened).
    virtual void showStatus(std::string_view message) = 0;
};

// A modal message box. Without a title the application's own title shows.
struct MessageBox {
    std::string text;
    std::optional<std::string> title;
    bool okCancel = false;
    bool exclamation = false;
};

struct FileDialogRequest {
    std::string title;  // empty: the dialog's default title
    std::string initialDirectory;
    std::string filter;  // "txt|*.txt" style: description|pattern pairs
    bool confirmOverwrite = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Returns when the operator has closed the box; other events may run meanwhile.
    virtual void showMessage(const MessageBox& box) = 0;
    // Full path of the chosen file, or nullopt when the operator cancelled.
    virtual std::optional<std::string> askSaveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> askOpenFile(const FileDialogRequest& request) = 0;
};

// Questions a view beside the window asks the operator, beyond the message boxes and file
// dialogs of the operations: whether to go on, and where to save a file under a name the view
// proposes. The Qt layer asks with QMessageBox and QFileDialog; tests answer with a fake.
class Questions {
public:
    virtual ~Questions() = default;
    // True when the operator answers "yes".
    virtual bool askYesNo(const MessageBox& question) = 0;
    // The file chosen, nullopt when cancelled. The dialog starts at `proposed` (a folder and a
    // file name) and does not itself confirm replacing a file: the caller never replaces one.
    virtual std::optional<std::filesystem::path> askSavePath(const std::string& title,
                                                             const std::filesystem::path& proposed,
                                                             const std::string& filter) = 0;
};

// An interval timer on the window's thread: it ticks while enabled with an interval above 0.
// Setting the interval restarts the period; an interval of 0 stops the ticks.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    bool isTicking() const { return isEnabled() && interval() > 0; }
};

}  // namespace tc24
