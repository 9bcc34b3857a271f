#pragma once
// One run of the console program: checks the job, collects the files of the
// given folders and paths, encrypts or decrypts them one by one, shreds each
// plain file after its encryption, and reports on the console and in the run
// log.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/parse.h"
#include "cli/run_log.h"

class CSecureDelete;
struct SkippedPath;

namespace Vastrel2 {

class CommandJob {
public:
    // `settings` stays the caller's and must outlive the job. With logging
    // on, the log's opening lines are written at once.
    explicit CommandJob(ParseSettings* settings);
    CommandJob(ParseSettings* settings, const std::string& logPath);
    // Logs into `log`, which stays the caller's: jobs that share one log
    // leave all their lines in the file.
    CommandJob(ParseSettings* settings, LogFile& log);
    ~CommandJob();
    CommandJob(const CommandJob&) = delete;
    CommandJob& operator=(const CommandJob&) = delete;

    // The whole run. True when it did everything it was asked: the settings
    // were accepted, every named folder existed and every file succeeded.
    bool Run();

    const std::vector<std::string>& GetFiles() const { return m_files; }

private:
    bool ValidateSettings();
    void CollectFiles();
    void EncryptFiles();
    void DecryptFiles();
    // Runs `processOne` over every file with the console line, the log lines
    // and the counts; it returns whether that file succeeded (and logs why not).
    void ProcessFiles(const std::string& verb, const std::string& done,
                      const std::function<bool(std::string& path)>& processOne);
    void Log(const std::string& line);
    void LogOpening();
    // Reports what the folder walk left out; unreadable and too deep folders count as failed.
    void ReportSkipped(const std::vector<SkippedPath>& skipped);

    ParseSettings* m_settings;
    std::vector<std::string> m_files;
    std::unique_ptr<CSecureDelete> m_shredder;
    bool m_logOn;
    std::unique_ptr<LogFile> m_ownLog;
    LogFile* m_log;
    int m_failed = 0;
    bool m_missingFolder = false;
    bool m_blankPending = false;  // a failed file's closing blank line, not yet written
};

// Runs one CommandJob for each job in turn, all logging into the one run
// log; the batch runner of the program. True when every job succeeded.
bool RunCommandJobs(const std::vector<ParseSettings*>& jobs);

}  // namespace Vastrel2
