// Size texts of the download rows.
#include "download/size_text.h"

#include <iomanip>
#include <locale>
#include <sstream>

namespace {

// Two decimals with a point whatever the user's locale says.
std::wstring TwoDecimals(double value, const wchar_t* unit) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << std::fixed << std::setprecision(2) << value;
  const std::string digits = out.str();
  return std::wstring(digits.begin(), digits.end()) + unit;
}

}  // namespace

std::wstring SizeText(ULONG bytes) {
  if (bytes <= 1024) return L"1KB";
  if (bytes < 1048576) return TwoDecimals(bytes / 1024.0, L"KB");
  return TwoDecimals(bytes / 1024.0 / 1024.0, L"MB");
}
