// The print program's messages: the Catalan text passed through the language
// file, followed by the detail (a path, a line) as it is.
#include "messages.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "config/translate.h"
#include "platform/codepage.h"

namespace korvidan {

void ReportProblem(const std::string& message, const std::string& detail) {
    std::cerr << "qorprint: " << Cp850ToUtf8(Translate(message) + detail) << std::endl;
    if (isatty(STDIN_FILENO) && isatty(STDERR_FILENO)) {
        std::cerr << Cp850ToUtf8(Translate("Premeu Retorn per continuar.")) << std::flush;
        std::string ignored;
        std::getline(std::cin, ignored);
    }
}

}  // namespace korvidan
