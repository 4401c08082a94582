#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/headless_runner.h"
#include "winapi/user.h"

namespace platform {
namespace {

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return result;
}

// Splits a line into words; "double quoted" words may hold spaces.
bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& error) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        if (line[i] == '#') {
            break;
        }
        std::string word;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) {
                error = "a quoted word is not closed";
                return false;
            }
            word = std::string(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return true;
}

bool ParseInteger(const std::string& text, std::int64_t& out) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno == ERANGE) {
        // Results such as 0x887601C2 are written as unsigned 32-bit values.
        const unsigned long long unsignedValue = std::strtoull(text.c_str(), &end, 0);
        if (errno == ERANGE || *end != '\0') {
            return false;
        }
        out = static_cast<std::int64_t>(unsignedValue);
        return true;
    }
    if (*end != '\0') {
        return false;
    }
    out = value;
    return true;
}

template <class T> bool ParseUnsigned(const std::string& text, T& out) {
    std::int64_t value = 0;
    if (!ParseInteger(text, value) || value < 0 ||
        static_cast<std::uint64_t>(value) > static_cast<std::uint64_t>(static_cast<T>(-1))) {
        return false;
    }
    out = static_cast<T>(value);
    return true;
}

// HRESULT-style results are 32-bit: 0x887601C2 means the negative HRESULT.
std::int64_t AsResult(std::int64_t value) {
    if (value > 0x7FFFFFFF && value <= 0xFFFFFFFF) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    return value;
}

struct Parser {
    Scenario& out;
    std::string error;

    bool Fail(const std::string& why) {
        error = why;
        return false;
    }

    bool Input(std::uint32_t at, BackendEvent::Kind kind, int key = 0, int x = 0, int y = 0) {
        BackendEvent event;
        event.kind = kind;
        event.virtualKey = key;
        event.x = x;
        event.y = y;
        out.inputs.push_back(Scenario::Input{at, event});
        return true;
    }

    bool Point(const std::vector<std::string>& w, std::size_t first, int& x, int& y) {
        if (w.size() == first) {
            return true;
        }
        std::int64_t px = 0;
        std::int64_t py = 0;
        if (w.size() != first + 2 || !ParseInteger(w[first], px) ||
            !ParseInteger(w[first + 1], py)) {
            return Fail("expected a point: <x> <y>");
        }
        x = static_cast<int>(px);
        y = static_cast<int>(py);
        return true;
    }

    bool At(const std::vector<std::string>& w) {
        std::uint32_t at = 0;
        if (w.size() < 3 || !ParseUnsigned(w[1], at)) {
            return Fail("expected: at <ms> <what> ...");
        }
        const std::string what = w[2];
        using Kind = BackendEvent::Kind;
        if (what == "keydown" || what == "keyup" || what == "press") {
            const auto key = w.size() >= 4 ? ParseVirtualKey(w[3]) : std::nullopt;
            if (!key) {
                return Fail("unknown key");
            }
            if (what == "press") {
                std::uint32_t hold = 50;
                if (w.size() > 5 || (w.size() == 5 && !ParseUnsigned(w[4], hold))) {
                    return Fail("expected: at <ms> press <key> [<hold ms>]");
                }
                return Input(at, Kind::KeyDown, *key) && Input(at + hold, Kind::KeyUp, *key);
            }
            if (w.size() != 4) {
                return Fail("expected: at <ms> " + what + " <key>");
            }
            return Input(at, what == "keydown" ? Kind::KeyDown : Kind::KeyUp, *key);
        }
        if (what == "buttondown" || what == "buttonup") {
            if (w.size() < 4 || (w[3] != "left" && w[3] != "right")) {
                return Fail("expected: at <ms> " + what + " left|right [<x> <y>]");
            }
            int x = 0;
            int y = 0;
            if (!Point(w, 4, x, y)) {
                return false;
            }
            return Input(at, what == "buttondown" ? Kind::ButtonDown : Kind::ButtonUp,
                         w[3] == "left" ? VK_LBUTTON : VK_RBUTTON, x, y);
        }
        if (what == "mousemove") {
            int x = 0;
            int y = 0;
            if (w.size() != 5 || !Point(w, 3, x, y)) {
                return Fail("expected: at <ms> mousemove <x> <y>");
            }
            return Input(at, Kind::MouseMove, 0, x, y);
        }
        if (w.size() == 3 && what == "activate") {
            return Input(at, Kind::Activate);
        }
        if (w.size() == 3 && what == "deactivate") {
            return Input(at, Kind::Deactivate);
        }
        if (w.size() == 3 && what == "close") {
            return Input(at, Kind::Close);
        }
        return Fail("unknown input '" + what + "'");
    }

    bool Line(const std::vector<std::string>& w) {
        const std::string& verb = w[0];
        if (verb == "at") {
            return At(w);
        }
        if (verb == "capture") {
            Scenario::Capture capture{};
            if (w.size() != 4 || (w[1] != "frame" && w[1] != "ms")) {
                return Fail("expected: capture frame <n> <file> | capture ms <t> <file>");
            }
            capture.byFrame = w[1] == "frame";
            const bool ok = capture.byFrame
                                ? ParseUnsigned(w[2], capture.frame) && capture.frame > 0
                                : ParseUnsigned(w[2], capture.timeMs);
            if (!ok) {
                return Fail("bad capture number");
            }
            capture.file = w[3];
            out.captures.push_back(capture);
            return true;
        }
        if (verb == "fault") {
            std::int64_t result = 0;
            std::int64_t times = -1;
            if (w.size() < 3 || w.size() > 4 || !ParseInteger(w[2], result) ||
                (w.size() == 4 && (!ParseInteger(w[3], times) || times < 1))) {
                return Fail("expected: fault <Operation> <result> [<times>]");
            }
            out.faults.push_back(Scenario::Fault{w[1], AsResult(result), static_cast<int>(times)});
            return true;
        }
        if (verb == "joystick") {
            JoystickState state;
            if (w.size() != 4 || !ParseUnsigned(w[1], state.x) || !ParseUnsigned(w[2], state.y) ||
                !ParseUnsigned(w[3], state.buttons) || state.x > 65535 || state.y > 65535) {
                return Fail("expected: joystick <x 0..65535> <y> <buttons>");
            }
            out.joystick = state;
            return true;
        }
        if (verb == "keep" && w.size() == 3 && w[1] == "frames") {
            std::uint32_t count = 0;
            if (!ParseUnsigned(w[2], count) || count == 0) {
                return Fail("expected: keep frames <n>, n at least 1");
            }
            out.keepFrames = count;
            return true;
        }
        if (verb == "audio" && w.size() == 2) {
            out.audioFile = w[1];
            return true;
        }
        if (verb == "stop" && w.size() == 3 && w[1] == "frame") {
            std::uint64_t frame = 0;
            if (!ParseUnsigned(w[2], frame) || frame == 0) {
                return Fail("bad frame number");
            }
            out.stopFrame = frame;
            return true;
        }
        if (verb == "stop" && w.size() == 3 && w[1] == "ms") {
            std::uint32_t ms = 0;
            if (!ParseUnsigned(w[2], ms)) {
                return Fail("bad time");
            }
            out.stopMs = ms;
            return true;
        }
        if (verb == "grace" && w.size() == 2) {
            if (!ParseUnsigned(w[1], out.graceMs)) {
                return Fail("bad time");
            }
            return true;
        }
        if (verb == "expect" && w.size() == 3 && w[1] == "exit") {
            std::int64_t code = 0;
            if (!ParseInteger(w[2], code)) {
                return Fail("bad exit code");
            }
            out.expectedExit = static_cast<int>(code);
            return true;
        }
        if (verb == "expect" && w.size() == 4 && w[1] == "messagebox") {
            out.expectedBoxes.push_back(Scenario::ExpectedBox{w[2], w[3]});
            return true;
        }
        return Fail("unknown directive '" + verb + "'");
    }
};

} // namespace

std::optional<int> ParseVirtualKey(std::string_view name) {
    std::string key = Upper(name);
    if (key.rfind("VK_", 0) == 0) {
        key = key.substr(3);
    }
    if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0]))) {
        return key[0]; // letters and digits are their own codes
    }
    static const std::pair<const char*, int> names[] = {
        {"LBUTTON", VK_LBUTTON}, {"RBUTTON", VK_RBUTTON}, {"MBUTTON", VK_MBUTTON},
        {"BACK", VK_BACK},       {"TAB", VK_TAB},         {"RETURN", VK_RETURN},
        {"ENTER", VK_RETURN},    {"SHIFT", VK_SHIFT},     {"CONTROL", VK_CONTROL},
        {"MENU", VK_MENU},       {"ALT", VK_MENU},        {"PAUSE", VK_PAUSE},
        {"ESCAPE", VK_ESCAPE},   {"SPACE", VK_SPACE},     {"PRIOR", VK_PRIOR},
        {"NEXT", VK_NEXT},       {"END", VK_END},         {"HOME", VK_HOME},
        {"LEFT", VK_LEFT},       {"UP", VK_UP},           {"RIGHT", VK_RIGHT},
        {"DOWN", VK_DOWN},       {"INSERT", VK_INSERT},   {"DELETE", VK_DELETE},
    };
    for (const auto& [each, code] : names) {
        if (key == each) {
            return code;
        }
    }
    if (key.size() >= 2 && key[0] == 'F' && std::isdigit(static_cast<unsigned char>(key[1]))) {
        std::int64_t number = 0;
        if (ParseInteger(key.substr(1), number) && number >= 1 && number <= 24) {
            return VK_F1 + static_cast<int>(number) - 1;
        }
        return std::nullopt;
    }
    std::int64_t code = 0;
    if (ParseInteger(std::string(name), code) && code >= 1 && code <= 254) {
        return static_cast<int>(code);
    }
    return std::nullopt;
}

bool ParseScenario(std::string_view text, Scenario& out, std::string& error) {
    out = Scenario{};
    Parser parser{out, {}};
    std::size_t lineNumber = 0;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        ++lineNumber;
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::vector<std::string> words;
        std::string splitError;
        if (!SplitWords(line, words, splitError) || (!words.empty() && !parser.Line(words))) {
            error = "line " + std::to_string(lineNumber) + ": " +
                    (splitError.empty() ? parser.error : splitError);
            return false;
        }
        begin = end + 1;
    }
    return true;
}

bool LoadScenario(const std::string& path, Scenario& out, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!ParseScenario(text.str(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace platform
