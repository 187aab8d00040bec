#include "Kelconv.h"

#include <exception>
#include <string>
#include <unistd.h>

int main(int argc, char* argv[]) {
    kelconv::Console console(STDERR_FILENO);
    try {
        return kelconv::runKelconv(kelconv::parseOptions(argc, argv), console);
    } catch (const kelconv::UsageError& e) {
        console.message(std::string("kelconv: ") + e.what());
        console.message("Try 'kelconv --help' for more information.");
    } catch (const std::exception& e) {
        console.message(std::string("kelconv: ") + e.what());
    }
    return kelconv::kExitFailure;
}
