#include "cli/parse.h"

#include <cstring>

#include "cli/console_out.h"
#include "platform/file.h"

namespace Vastrel2 {

Parse::Parse(const std::vector<std::string>* arguments, const std::vector<std::string>* original)
    : m_arguments(arguments), m_original(original) {}

Parse::~Parse() = default;

const std::string& Parse::PathArgument(size_t index) const {
#ifndef _WIN32
    // Here the file system tells "Data" from "data": paths keep their case.
    if (m_original && index < m_original->size()) return (*m_original)[index];
#endif
    return (*m_arguments)[index];
}

namespace {

// A field of the settings: a text that a later value replaces, or a list
// that every value is appended to.
struct Field {
    const char* name;
    std::string ParseSettings::*text;
    std::vector<std::string> ParseSettings::*list;

    void Store(ParseSettings& settings, const std::string& value) const {
        if (text)
            settings.*text = value;
        else
            (settings.*list).push_back(value);
    }
};

// The option keys in the order they are looked for: an argument is taken for
// the first key of this list that it contains anywhere.
const Field kOptionKeys[] = {
    {"-m:", &ParseSettings::mode, nullptr},       {"-p:", &ParseSettings::password, nullptr},
    {"-hint:", &ParseSettings::hint, nullptr},    {"-fi:", nullptr, &ParseSettings::files},
    {"-fo:", nullptr, &ParseSettings::folders},   {"-o:", &ParseSettings::obfuscate, nullptr},
    {"-r:", &ParseSettings::processReadOnly, nullptr}, {"-a:", &ParseSettings::algorithm, nullptr},
    {"-ha:", &ParseSettings::hash, nullptr},      {"-cm:", &ParseSettings::cipherMode, nullptr},
    {"-log:", &ParseSettings::log, nullptr},
};

// The job file's element names.
const Field kElementNames[] = {
    {"mode", &ParseSettings::mode, nullptr},         {"password", &ParseSettings::password, nullptr},
    {"hint", &ParseSettings::hint, nullptr},         {"file", nullptr, &ParseSettings::files},
    {"folder", nullptr, &ParseSettings::folders},    {"obfuscate", &ParseSettings::obfuscate, nullptr},
    {"hash", &ParseSettings::hash, nullptr},         {"ciphermode", &ParseSettings::cipherMode, nullptr},
    {"processreadonly", &ParseSettings::processReadOnly, nullptr},
    {"algorithm", &ParseSettings::algorithm, nullptr}, {"logresults", &ParseSettings::log, nullptr},
};

bool Contains(const std::string& text, const char* word) { return text.find(word) != std::string::npos; }

}  // namespace

bool StringParser::Validate() {
    bool password = false;
    bool mode = false;
    for (const std::string& argument : *m_arguments) {
        password = password || Contains(argument, "-p:");
        mode = mode || Contains(argument, "-m:");
    }
    if (!password) {
        ConsolePrint("No password specified i.e -m:password\n");
        return false;
    }
    if (!mode) {
        ConsolePrint("No cipher mode specified i.e -m:encrypt\n");
        return false;
    }
    return true;
}

void StringParser::ReadSettings() {
    for (size_t i = 0; i < m_arguments->size(); ++i) {
        const std::string& argument = (*m_arguments)[i];
        for (const Field& option : kOptionKeys) {
            if (!Contains(argument, option.name)) continue;
            // The key's length is cut from the front wherever the key stands;
            // paths are taken as typed where their case counts.
            const std::string& value = option.list ? PathArgument(i) : argument;
            option.Store(m_settings, value.substr(std::strlen(option.name)));
            break;
        }
    }
}

bool XMLParser::Validate() {
    CFileStatus status;
    if (m_arguments->empty() || !CFile::GetStatus(PathArgument(0), status)) {
        ConsolePrint("Invalid path to configuration file.\n");
        return false;
    }
    return true;
}

void XMLParser::ReadSettings() {
    const std::string& path = PathArgument(0);
    const std::string prefix = "Unable to open XML file \"" + path + "\": ";
    CFileStatus status;
    if (CFile::GetStatus(path, status)) {
        if (status.m_attribute & kAttrDirectory) throw JobFileError(prefix + "the path names a folder");
        if (status.m_size > kMaxJobFileSize) throw JobFileError(prefix + "the file is larger than 16 MB");
    }
    ReadJobFile(path, m_settings);
}

bool IsJobElementName(const std::string& name) {
    for (const Field& element : kElementNames)
        if (name == element.name) return true;
    return false;
}

void TakeJobElement(ParseSettings& settings, const std::string& name, const std::string& value) {
    for (const Field& element : kElementNames) {
        if (name == element.name) {
            element.Store(settings, value);
            return;
        }
    }
}

}  // namespace Vastrel2
