// Kestrum: encrypts or decrypts files and folders from its command line or
// an XML job file.
#include <exception>
#include <string>

#include "cli/command_job.h"
#include "cli/console_out.h"
#include "cli/kestrum.h"

int main(int argc, char** argv) {
    try {
        return Vastrel2::KestrumMain(argc, argv, Vastrel2::RunCommandJobs);
    } catch (const std::exception& e) {
        Vastrel2::ConsolePrint(std::string("\nError : ") + e.what() + "\n");
    } catch (...) {
        Vastrel2::ConsolePrint("\nError : the run stopped on an unexpected error\n");
    }
    return Vastrel2::kExitRunFailed;
}
