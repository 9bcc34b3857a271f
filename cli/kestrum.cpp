#include "cli/kestrum.h"

#include <memory>

#include "cli/console_out.h"
#include "platform/code_page.h"
#include "platform/process.h"

namespace Vastrel2 {
namespace {

std::string UsageRow(const char* command, const char* argument, const char* description, const char* required) {
    return Format("%-10s%-20s%-35s%-10s\n", command, argument, description, required);
}

// Option, argument, description, required or optional.
const char* const kOptionRows[][4] = {
    {"-xml:", "Path to xml file", "Use an XML config file mode", "required"},
    {"-cl:", "None", "Use command line mode", "required"},
    {"-p:", "Your password", "Password must be at least 6 chars", "required"},
    {"-m:", "Mode", "encrypt or decrypt", "required"},
    {"-fi:", "Path to file", "Process single file", "required"},
    {"-fo:", "Path to folder", "Process folder contents", "required"},
    {"-hint:", "Password hint", "A hint", "optional"},
    {"-o:", "none", "Obfuscate filenames", "optional"},
    {"-r:", "none", "Process read only files", "optional"},
    {"-a:", "Algorithm name", "Encryption algorithm - Blowfish", "optional"},
    {"-ha:", "Hash name", "Hash algorithm - SHA256", "optional"},
    {"-cm:", "Mode name", "Encryption mode - CBC", "optional"},
    {"-log:", "true or false", "log results to file", "optional"},
};

// The password and the hint reach the core as the format's text (code page
// 1252; natively they arrive as UTF-8), lowercased again on the option road,
// since a character's best fit may be a capital (U+0100 gives 'A') and
// Windows lowercases after its own conversion. False, with the reason
// printed, for text that cannot be converted.
bool ToFormatSettings(ParseSettings& settings, bool optionRoad) {
    const struct {
        std::string* text;
        const char* what;
    } fields[] = {{&settings.password, "password"}, {&settings.hint, "hint"}};
    for (const auto& field : fields) {
        std::string stored;
        if (!platform::ToFormatText(*field.text, stored)) {
            ConsolePrint(std::string("The ") + field.what + " is not valid UTF-8 text.\n");
            return false;
        }
        *field.text = optionRoad ? LowerArgument(stored) : stored;
    }
    return true;
}

}  // namespace

std::string UsageText() {
    const std::string stars(73, '*');
    std::string text = "\n\n";
    text += stars + "\n";
    text += "*" + std::string(20, ' ') + "Vastrel 2 Command Line ver 1.0" + std::string(21, ' ') + "*\n";
    text += "*" + std::string(71, ' ') + "*\n";
    text += stars + "\n";
    text += "\n\n";
    text += UsageRow("Command", "Argument", "Description", "Required");
    text += std::string(73, '_') + "\n\n";
    for (const auto& row : kOptionRows) text += UsageRow(row[0], row[1], row[2], row[3]);
    text += "\n\n";
    text += "NOTE when adding files or folders that have spaces in the path \n";
    text += " or filename make sure they are surrounded by quotes i.e. \n";
    text += "\"my file.txt\" or \"c:\\folder\\my folder\"\n";
    text += "\n\n";
    text += "Examples:\n\n";
    text += "Passing an XML config file: \n";
    text += "Kestrum -xml:\"c:\\my config file.xml\"\n\n";
    text += "Using minimal command line arguments: \n";
    text += "Kestrum -cl -p:\"my password\" -m:encrypt -hint:\"this is my hint\" -fo:\"c:\\test\"\n\n";
    text += "Using extended command line arguments: \n";
    text += "Kestrum -cl -p:password -m:encrypt -hint:\"this is my hint\" -fi:\"c:\\filname.txt\" -fo:\"c:\\test\" "
            "-o:true -r:false -a:blowfish -ha:sha256 -cm:CBC -log:false\n\n";
    return text;
}

std::string LowerArgument(const std::string& argument) {
    std::string lower = argument;
    for (size_t i = 0; i < lower.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(lower[i]);
        if (platform::IsLeadByteIn(platform::kSystemCodePage, c)) {
            ++i;  // the trail byte may look like a letter: it is not one
        } else if (c >= 'A' && c <= 'Z') {
            lower[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

int KestrumMain(int argc, char** argv, const BatchRunner& run) {
    if (platform::ModuleFilePath().empty()) {
        ConsolePrint("Fatal Error: MFC initialization failed\n");
        return kExitStartFailed;
    }

    // The joined text only chooses the road; the parsers read the lowercased
    // vector (and, for paths where case counts, the arguments as typed).
    std::string joined;
    std::vector<std::string> arguments;
    std::vector<std::string> typed;
    for (int i = 1; i < argc; ++i) {
        joined += argv[i];
        arguments.push_back(LowerArgument(argv[i]));
        typed.push_back(argv[i]);
    }

    if (argc <= 1 || joined.find('?') != std::string::npos) {
        ConsolePrint(UsageText());
        return kExitDone;
    }

    std::unique_ptr<Parse> parser;
    bool jobFile = joined.find("-xml") != std::string::npos;
    if (jobFile)
        parser.reset(new XMLParser(&arguments, &typed));
    else if (joined.find("-cl") != std::string::npos)
        parser.reset(new StringParser(&arguments, &typed));
    else {
        ConsolePrint("Invlaid command line. Command line must supply either /xml:path or /cl\n");
        return kExitBadCommandLine;
    }

    if (!parser->Validate()) return jobFile ? kExitJobFileFailed : kExitRunFailed;
    try {
        parser->ReadSettings();
    } catch (const JobFileError& error) {
        ConsolePrint(std::string(error.what()) + "\n");
        return kExitJobFileFailed;
    }
    const std::vector<ParseSettings*> jobs = parser->GetJobs();
    for (ParseSettings* job : jobs)
        if (!ToFormatSettings(*job, !jobFile)) return kExitRunFailed;
    return run(jobs) ? kExitDone : kExitRunFailed;
}

}  // namespace Vastrel2
