#include "cli/parse.h"

#include <cstring>

#include "cli/console_out.h"
#include "platform/file.h"

namespace Vastrel2 {

Parse::Parse(const std::vector<std::string>* arguments, const std::vector<std::string>* original)
    : m_arguments(arguments), m_original(original) {}

Parse::~Parse() = default;

std::vector<ParseSettings*> Parse::GetJobs() {
    std::vector<ParseSettings*> jobs;
    for (ParseSettings& job : m_jobs) jobs.push_back(&job);
    if (jobs.empty()) jobs.push_back(&m_settings);
    return jobs;
}

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

// The option keys: an argument is the option whose key it starts with (a
// key further inside, in a hint or a path, is part of the value). Where two
// keys could both start an argument, the earlier one of this list wins.
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

bool StartsWith(const std::string& text, const char* key) { return text.compare(0, std::strlen(key), key) == 0; }

}  // namespace

bool StringParser::Validate() {
    bool password = false;
    bool mode = false;
    for (const std::string& argument : *m_arguments) {
        password = password || StartsWith(argument, "-p:");
        mode = mode || StartsWith(argument, "-m:");
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
            if (!StartsWith(argument, option.name)) continue;
            // Paths are taken as typed where their case counts.
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
    m_jobs.clear();
    ReadJobFile(path, m_jobs);
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
