#pragma once

#include <QFile>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace tc24::cli {

// Where results go. Every write is checked: a result that cannot be written ends the command
// (exit status 4) instead of being lost.
class Output {
public:
    virtual ~Output() = default;
    // Writes all of `text`; false when it could not be written (error() says why).
    virtual bool write(std::string_view text) = 0;
    // Hands what was written to the system; false when that failed.
    virtual bool flush() = 0;
    virtual std::string error() const = 0;
    // "standard output", or the file's path.
    virtual std::string name() const = 0;
};

// A stream the caller owns (tests, string streams).
class StreamOutput : public Output {
public:
    explicit StreamOutput(std::ostream& stream, std::string name = "standard output")
        : stream_(stream), name_(std::move(name)) {}
    bool write(std::string_view text) override;
    bool flush() override;
    std::string error() const override { return "the stream failed"; }
    std::string name() const override { return name_; }

private:
    std::ostream& stream_;
    std::string name_;
};

// An open descriptor (standard output), written unbuffered through QFile so that each failure
// is seen at once with the system's reason. A closed pipe raises SIGPIPE as in any tool.
class DescriptorOutput : public Output {
public:
    DescriptorOutput(int descriptor, std::string name);
    bool write(std::string_view text) override;
    bool flush() override;
    std::string error() const override { return file_.errorString().toStdString(); }
    std::string name() const override { return name_; }
    bool isOpen() const { return file_.isOpen(); }

private:
    QFile file_;
    std::string name_;
};

}  // namespace tc24::cli
