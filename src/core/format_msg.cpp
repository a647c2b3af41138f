#include "core/format_msg.h"

namespace corvane {
namespace {

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (auto pos = text.find(what); pos != std::string::npos;
       pos = text.find(what, pos + with.size())) {
    text.replace(pos, what.size(), with);
  }
}

}  // namespace

std::string FormatMsg(std::string_view sTemplate, const std::vector<MsgArg>& vArgs) {
  std::string text(sTemplate);
  for (auto i = vArgs.size(); i-- > 0;) {
    ReplaceAll(text, "%" + std::to_string(i + 1), vArgs[i].text());
  }
  return text;
}

std::string WithLeadingBlank(long long n) {
  return n >= 0 ? " " + std::to_string(n) : std::to_string(n);
}

}  // namespace corvane
