#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/control_names.h"
#include "link/files.h"
#include "link/observations.h"
#include "link/readings.h"
#include "link/serial_port.h"
#include "link/ui.h"
#include "protocol/byte_view.h"
#include "protocol/translatable.h"

namespace tc24 {

// Pending-operation codes: the only values CmdMode ever holds.
namespace cmd_mode {
constexpr std::int16_t None = 0;
constexpr std::int16_t RegisterQuery = 1;
constexpr std::int16_t Identify = 2;
constexpr std::int16_t ReadSerialNumber = 3;
constexpr std::int16_t Address = 5;
constexpr std::int16_t SensorSearch = 6;
constexpr std::int16_t WriteSerialNumber = 8;
}  // namespace cmd_mode

// A request as it went on the line, numbered 1, 2, … in the order written; 0: none yet.
struct SentRequest {
    std::uint64_t number = 0;
    Bytes bytes;
};

// The window's shared state; created zeroed with the window and living as long as it.
struct WindowState {
    std::int16_t CmdMode = 0;              // pending-operation code, selects the decoder
    std::int16_t RecLength = 0;            // expected reply length of the pending request
    std::int16_t CmdLenth = 0;             // request-side copy of the expected reply length
    std::string CmdText;                   // hex echo of the request being built
    std::uint8_t HiByte = 0;               // CRC-16 low-order byte (sent first)
    std::uint8_t LoByte = 0;               // CRC-16 high-order byte (sent second)
    std::int32_t RecCount = 0;             // serial events (+ channels without a reading)
    bool CommReady = false;                // the port was (re)opened from the settings controls
    std::int16_t CommNum = 0;              // port number, 1 = COM1
    std::int32_t CommRate = 0;             // baud rate
    std::array<std::string, 65> SnList{};  // serial number last read per position
    std::int16_t ChennelNum = 0;           // entries of a serial-number list
    std::array<std::string, 129> SnFileList{};  // imported serial-number list
    std::int16_t SensorNum = 0;                 // sensor positions, 24 after start-up

    // Position of the serial-number read being answered (the reply is stored under it).
    int pendingReadPosition = 0;
    // Position text of the serial-number write being answered.
    std::string pendingWritePosition;
    // Set when a read-all sequence finished; the save then writes every position up to
    // the limit instead of "field less one".
    bool readAllFinished = false;
    int pendingIdentifyPosition = 0;  // position the identification being answered asked for
    // Position text of the entry the automatic writing sent last while P points past it.
    std::string autoWrittenPosition;
    // The request written last, which a whole valid reply answers; and the number of the
    // request whose reply the views took, so that a second copy is not a new measurement.
    SentRequest lastRequest;
    std::uint64_t readingTakenFor = 0;
};

class Window;
using Decoder = void (*)(Window&, ByteView);

// Everything a handler needs: the state, the controls and the platform behind interfaces.
class Window {
public:
    Window(Controls& controls, SerialPort& serialPort, Dialogs& dialogBoxes, FileWriter& fileWriter,
           Timer& t2, Timer& t3, Timer& t6, std::filesystem::path programDir,
           std::filesystem::path settingsDir)
        : ui(controls),
          port(serialPort),
          dialogs(dialogBoxes),
          files(fileWriter),
          Timer2(t2),
          Timer3(t3),
          Timer6(t6),
          programDirectory(std::move(programDir)),
          settingsDirectory(std::move(settingsDir)) {}

    WindowState state;
    Controls& ui;
    SerialPort& port;
    Dialogs& dialogs;
    FileWriter& files;
    Timer& Timer2;  // cyclic polling
    Timer& Timer3;  // automatic serial-number writing
    Timer& Timer6;  // read-all of serial numbers
    // Where file dialogs start; and where comm.set and the ports/ links are kept, which the
    // Qt layer chose (the program's directory or the user's configuration folder).
    std::filesystem::path programDirectory;
    std::filesystem::path settingsDirectory;

    // One decoder per pending-operation code; filled by FrmMain.
    std::map<std::int16_t, Decoder> decoders;

    // Views beside the window's own (trend, recording, anything later) get the readings of
    // every whole valid register reply from its decoder. They never change what decoders do.
    using ReadingObserver = std::function<void(const RegisterReading&)>;
    std::vector<ReadingObserver> readingObservers;
    // And what the other replies told about the module (address, sensor count, serial numbers
    // read, identified and written) and each register query sent, under the same rule
    // (link/taken_replies.h). They never change what decoders do either.
    using ModuleObserver = std::function<void(const ModuleObservation&)>;
    std::vector<ModuleObserver> moduleObservers;
    // A reply whose decoder got only its start: the serial-number read and the address read
    // raise their event some bytes before the reply's end, and the rest is read only when
    // the window next reads or discards its input. The port tap of the views
    // (diagnostics/held_reply_tap.h) collects those bytes and hands the whole reply to
    // `finish`, which judges it as a reply that came whole.
    struct HeldReply {
        std::uint64_t request = 0;  // the request it answers
        Decoder finish = nullptr;
        int threshold = 0;  // the receive threshold the request armed
    };
    std::optional<HeldReply> heldReply;

    // The language of the texts the handlers show (boxes, titles, file dialogs, the status
    // line, what they write into the panes). The Qt layer gives its own; without one every
    // text stays as marked, in Chinese.
    const Translator* translator = &sourceLanguage();
    // A marked text (TC24_TR) in the window's language; a pattern with its %1, %2, … filled in
    // after translation, so that the words around the values may change their order.
    std::string translated(const char* source) const { return translator->translate(source); }
    std::string translated(const char* pattern,
                           std::initializer_list<std::string_view> values) const {
        return fillIn(translator->translate(pattern), values);
    }

    // Every message box goes through here. While a box shown during a timer's tick is
    // open, further ticks of that timer do nothing, so boxes never pile up.
    void message(const MessageBox& box);
    void message(std::string text) { message(MessageBox{std::move(text), {}, false, false}); }

    // Marks the handler that runs as a tick of `timer`; false when the tick must do nothing
    // because a box from an earlier tick of the same timer is still open.
    class TickScope {
    public:
        TickScope(Window& window, Timer& timer);
        ~TickScope();
        TickScope(const TickScope&) = delete;
        TickScope& operator=(const TickScope&) = delete;
        bool mayRun() const { return mayRun_; }

    private:
        Window& window_;
        Timer* previous_;
        bool mayRun_;
    };
    bool boxOpenFrom(const Timer& timer) const { return busyTimers_.count(&timer) > 0; }

private:
    Timer* currentTick_ = nullptr;
    std::set<const Timer*> busyTimers_;
};

}  // namespace tc24
