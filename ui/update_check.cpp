#include "ui/update_check.h"

#include <wininet.h>

#include <vector>

#include "framework/app.h"
#include "framework/version_block.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/process.h"

namespace Vastrel2 {
namespace Utils {

const char kUpdateTextUrl[] = "http://www.halvenrod.example//files//Latest//update.txt";
const char kUpdaterProgram[] = "VastrelUpdate.exe";

namespace {

const char kCaption[] = "Vastrel 2";
const char kUnreachable[] = "Unable to check for updates. Please check your internet connection.";
const char kNothingNew[] = "There are no new updates available for Vastrel 2";
const char kNewVersion[] =
    "There is a new version of Vastrel 2 available, Would you like to download the new version?";
const char kUpdaterFailed[] = "Unable start Vastrel 2 Updater";

// Always fetched from the server, never from or into the cache.
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;

int Tell(const char* text, unsigned style) {
    return platform::ShowMessage(text, kCaption, style, platform::MsgOwner::MainWindow);
}

// Closes a WinINet handle when it goes.
class NetHandle {
public:
    explicit NetHandle(HINTERNET handle) : m_handle(handle) {}
    ~NetHandle() {
        if (m_handle) InternetCloseHandle(m_handle);
    }
    NetHandle(const NetHandle&) = delete;
    NetHandle& operator=(const NetHandle&) = delete;
    HINTERNET Get() const { return m_handle; }

private:
    HINTERNET m_handle;
};

void SetTimeouts(HINTERNET handle) {
    DWORD timeout = CUpdateCheck::kTimeoutMilliseconds;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
        InternetSetOptionA(handle, option, &timeout, sizeof timeout);
    }
    DWORD retries = 1;
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
}

// The reply's HTTP status; 0 when there is none.
DWORD StatusCode(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
    return status;
}

// Sends the GET request for the address; the request once its reply's
// headers are in, or null. The handles are made one by one so that every
// one of them gets the time-outs before it connects, sends or waits. The
// connection (closed by the caller after the request) may be set when the
// request is null.
HINTERNET OpenRequest(HINTERNET session, const std::string& address, HINTERNET& connection) {
    SetTimeouts(session);
    char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    std::vector<char> path(address.size() + 2, '\0');
    std::vector<char> extra(address.size() + 2, '\0');
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlA(address.c_str(), 0, 0, &parts)) return nullptr;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return nullptr;

    connection = InternetConnectA(session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP,
                                  INTERNET_FLAG_EXISTING_CONNECT, 0);
    if (!connection) return nullptr;
    SetTimeouts(connection);
    std::string object = std::string(path.data()) + extra.data();
    if (object.empty()) object = "/";
    DWORD flags = kRequestFlags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0);
    if (request) {
        SetTimeouts(request);
        if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
            InternetCloseHandle(request);
            request = nullptr;
        }
    }
    return request;
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

uint32_t ParseLatestBuild(const std::string& text) {
    std::string whole = text.substr(0, text.find('\0'));
    size_t first = whole.find('|');
    if (first == std::string::npos) return 0;
    size_t second = whole.find('|', first + 1);
    std::string field = whole.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    size_t i = 0;
    while (i < field.size() && IsBlank(field[i])) ++i;
    uint64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(field[i] - '0');
        if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(value);
}

CUpdateCheck::CUpdateCheck() = default;

CUpdateCheck::~CUpdateCheck() = default;

void CUpdateCheck::SetUpdaterFolder(const std::string& folder) {
    m_folder = folder;
    m_folderSet = TRUE;
}

BOOL CUpdateCheck::GetOwnVersion(DWORD& ms, DWORD& ls) {
    ui::VersionBlock block;
    if (!block.LoadModule(ui::ThisModule())) return FALSE;
    const VS_FIXEDFILEINFO* fixed = block.Fixed();
    if (!fixed) return FALSE;
    ms = fixed->dwFileVersionMS;
    ls = fixed->dwFileVersionLS;
    return TRUE;
}

void CUpdateCheck::CheckForUpdate(const std::string& url, BOOL showAlways) {
    DWORD ownMs = 0, ownLs = 0;
    if (!GetOwnVersion(ownMs, ownLs)) return;
    ui::WaitCursor wait;

    char canonical[1024] = {};
    DWORD length = sizeof canonical;
    std::string address = url;
    if (InternetCanonicalizeUrlA(url.c_str(), canonical, &length, ICU_BROWSER_MODE)) address = canonical;

    NetHandle session(InternetOpenA("Update search", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    HINTERNET connected = nullptr;
    HINTERNET opened = session.Get() ? OpenRequest(session.Get(), address, connected) : nullptr;
    NetHandle connection(connected);
    NetHandle request(opened);
    // An error page is no update text: only a plain success counts.
    if (!request.Get() || StatusCode(request.Get()) != 200) {
        if (showAlways) Tell(kUnreachable, MB_ICONINFORMATION);
        return;
    }

    // The reply may come in several pieces: read until the part we look at
    // is full or the reply has ended.
    std::vector<char> reply(kMaxReply + 1, '\0');
    size_t total = 0;
    while (total < kMaxReply) {
        DWORD got = 0;
        if (!InternetReadFile(request.Get(), reply.data() + total, static_cast<DWORD>(kMaxReply - total), &got)) {
            return;  // a broken or stalled transfer: nothing to say about it
        }
        if (got == 0) break;
        total += got;
    }
    if (total == 0) {
        if (showAlways) Tell(kUnreachable, MB_ICONINFORMATION);
        return;
    }

    uint32_t latest = ParseLatestBuild(std::string(reply.data(), total));
    if (latest > ownLs) {
        if (Tell(kNewVersion, MB_YESNO | MB_ICONINFORMATION) == IDYES) StartUpdater();
    } else if (showAlways) {
        Tell(kNothingNew, MB_ICONINFORMATION);
    }
}

std::string CUpdateCheck::UpdaterCommandLine() const {
    std::string path = kUpdaterProgram;
    if (m_folderSet) {
        path = platform::WithoutTrailingSeparators(m_folder) + "\\" + kUpdaterProgram;
    }
    return "\"" + path + "\" ";
}

void CUpdateCheck::StartUpdater() {
    platform::ProgramStart start;
    start.kind = platform::ProgramStart::Kind::Create;
    start.commandLine = UpdaterCommandLine();
    start.wait = false;
    if (!platform::StartProgram(start)) {
        platform::ShowMessage(kUpdaterFailed, kCaption, MB_ICONERROR, platform::MsgOwner::None);
    }
}

}  // namespace Utils
}  // namespace Vastrel2
