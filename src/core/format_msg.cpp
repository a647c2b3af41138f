#include "core/format_msg.h"

#include "core/visible_text.h"

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
    std::string placeholder(1, '%');
    placeholder += std::to_string(i + 1);
    ReplaceAll(text, placeholder, VisibleText(vArgs[i].text()));
  }
  return text;
}

std::string WithLeadingBlank(long long n) {
  std::string text = n >= 0 ? std::string(1, ' ') : std::string();
  text += std::to_string(n);
  return text;
}

}  // namespace corvane
