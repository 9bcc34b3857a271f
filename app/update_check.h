#pragma once
// Fetches the update text from the maker's site, compares its build number
// with the program's own and offers to start the updater.
#include <windows.h>

#include <string>

namespace Vastrel2 {
namespace Utils {

class CUpdateCheck {
public:
    CUpdateCheck();
    virtual ~CUpdateCheck();
    CUpdateCheck(const CUpdateCheck&) = delete;
    CUpdateCheck& operator=(const CUpdateCheck&) = delete;

    // showAlways: also tell the user when there is nothing new.
    void CheckForUpdate(const std::string& url, BOOL showAlways);
};

}  // namespace Utils
}  // namespace Vastrel2
