// Reading the terminfo database through ncurses' low-level interface.
#include "platform/console_terminfo.h"

#include <algorithm>
#include <cstring>

#include <curses.h>
#include <term.h>

namespace korvidan {

namespace {

TERMINAL* loaded = nullptr;

// Without the padding marks ("$<5>"), which only matter to a slow serial line.
std::string WithoutPadding(const char* text) {
    std::string result;
    if (text == nullptr) return result;
    for (const char* p = text; *p != '\0'; ++p) {
        if (p[0] == '$' && p[1] == '<') {
            if (const char* end = std::strchr(p, '>')) {
                p = end;
                continue;
            }
        }
        result.push_back(*p);
    }
    return result;
}

std::string StringCapability(const char* name) {
    const char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<const char*>(-1)) return {};
    return WithoutPadding(value);
}

}  // namespace

bool LoadTerminalCapabilities(const char* type, int fd, TerminalCapabilities& c) {
    int error = 0;
    TERMINAL* previous = loaded;
    if (setupterm(type, fd, &error) != OK) return false;
    if (previous != nullptr && previous != cur_term) del_curterm(previous);
    loaded = cur_term;
    c.cursorAddress = StringCapability("cup");
    c.clearScreen = StringCapability("clear");
    c.resetAttributes = StringCapability("sgr0");
    c.cursorInvisible = StringCapability("civis");
    c.cursorNormal = StringCapability("cnorm");
    c.scrollRegion = StringCapability("csr");
    c.scrollUp = StringCapability("ind");
    c.scrollUpMany = StringCapability("indn");
    c.scrollDown = StringCapability("ri");
    c.scrollDownMany = StringCapability("rin");
    c.cursorRight = StringCapability("cuf1");
    c.cursorRightMany = StringCapability("cuf");
    c.cursorLeft = StringCapability("cub1");
    c.cursorLeftMany = StringCapability("cub");
    c.carriageReturn = StringCapability("cr");
    c.cursorDown = StringCapability("cud1");
    c.beep = StringCapability("bel");
    c.enterScreen = StringCapability("smcup");
    c.exitScreen = StringCapability("rmcup");
    c.cursorShape = StringCapability("Ss");
    c.colours = std::max(tigetnum("colors"), 0);
    c.repeats = StringCapability("rep").find("\x1b[%p2%{1}%-%db") != std::string::npos;
    c.autoMargins = tigetflag("am") > 0;
    c.lateWrap = tigetflag("xenl") > 0;
    if (c.clearScreen.empty()) c.clearScreen = "\x1b[H\x1b[2J";
    if (c.resetAttributes.empty()) c.resetAttributes = "\x1b[m";
    if (c.beep.empty()) c.beep.push_back('\a');
    return true;
}

void FreeTerminalCapabilities() {
    if (loaded == nullptr) return;
    del_curterm(loaded);
    loaded = nullptr;
}

std::string FillCapability(const std::string& capability, int first, int second) {
    if (capability.empty()) return {};
    return WithoutPadding(tiparm(capability.c_str(), first, second));
}

}  // namespace korvidan
