#include "app/update_check.h"

namespace Vastrel2 {
namespace Utils {

// Not built yet: asks nothing and shows nothing.
CUpdateCheck::CUpdateCheck() = default;

CUpdateCheck::~CUpdateCheck() = default;

void CUpdateCheck::CheckForUpdate(const std::string&, BOOL) {}

}  // namespace Utils
}  // namespace Vastrel2
