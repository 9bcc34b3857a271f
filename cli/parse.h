#pragma once
// The two readers of a console job: options on the command line ("-cl") and
// an XML job file ("-xml"). Both fill the same ParseSettings record.
#include <stdexcept>
#include <string>
#include <vector>

namespace Vastrel2 {

// What one run is to do. Every field is text, exactly as given; the run
// decides what the texts mean.
struct ParseSettings {
    std::string mode;
    std::string password;
    std::string hint;
    std::string cipherMode;
    std::string algorithm;
    std::string hash;
    std::string obfuscate;
    std::string processReadOnly;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    std::string log;
};

// A job file that names an existing file but cannot be read as a job. The
// text names the file and the reason in one line.
class JobFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Parse {
public:
    // `arguments`: every argument after the program name, lowercased (not
    // owned). `original`: the same arguments as typed, or null; paths are
    // taken from it where the file system tells letter case apart.
    explicit Parse(const std::vector<std::string>* arguments,
                   const std::vector<std::string>* original = nullptr);
    virtual ~Parse();
    Parse(const Parse&) = delete;
    Parse& operator=(const Parse&) = delete;

    virtual void ReadSettings() = 0;
    // False when the job cannot be read; the reason has been printed.
    virtual bool Validate() = 0;

    // The settings of the first job.
    ParseSettings* GetSettings() { return m_jobs.empty() ? &m_settings : &m_jobs.front(); }
    // The jobs read, in the order they are to run: the option road gives one;
    // a job file one per "project" element, each with its own elements only
    // (a single empty one when it holds none).
    std::vector<ParseSettings*> GetJobs();

protected:
    // The argument at `index` for use as a path: as typed where paths keep
    // their case, else lowercased.
    const std::string& PathArgument(size_t index) const;

    ParseSettings m_settings;
    std::vector<ParseSettings> m_jobs;  // the job file's projects
    const std::vector<std::string>* m_arguments;
    const std::vector<std::string>* m_original;
};

// The "-cl" road: "-m:encrypt", "-p:secret", "-fo:c:\data" and so on.
class StringParser : public Parse {
public:
    using Parse::Parse;
    void ReadSettings() override;
    bool Validate() override;
};

// The "-xml" road: the first argument names a job file whose "project"
// elements give the settings.
class XMLParser : public Parse {
public:
    using Parse::Parse;
    // Throws JobFileError when the file cannot be read as a job.
    void ReadSettings() override;
    bool Validate() override;

    // Job files larger than this are refused before they are parsed.
    static constexpr unsigned long long kMaxJobFileSize = 16ull * 1024 * 1024;
};

// Stores the text of one element of a "project" element in the settings;
// names other than the job's own element names are ignored.
void TakeJobElement(ParseSettings& settings, const std::string& name, const std::string& value);

bool IsJobElementName(const std::string& name);

// Reads every "project" element of the job file at `path` (at any depth, in
// document order) into a job of its own, appended to `jobs`, through
// TakeJobElement. Throws JobFileError with the reason. One implementation
// per platform.
void ReadJobFile(const std::string& path, std::vector<ParseSettings>& jobs);

}  // namespace Vastrel2
