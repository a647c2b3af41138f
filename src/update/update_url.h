#pragma once

#include <string>

namespace corvane {

// Where the version file lies below the update server's address.
inline constexpr const char* kVersionFilePath = "/download/corvane_setup.zip.ver";

// The update server's address as configured: the environment variable
// CORVANE_UPDATE_URL when it is set and not blank, else "Update.Url" of the
// per-user settings store; "" when neither names one. Read anew at each call,
// so a changed setting counts from the next check on.
std::string ConfiguredUpdateUrl();

// The version file's URL for a configured address:
// - an address without "://" is taken as http ("updates.example.org");
// - when its path is empty or ends in "/", it names the server (or a folder
//   on it) and kVersionFilePath is appended below it:
//   "http://h" and "http://h/" give "http://h/download/corvane_setup.zip.ver",
//   "http://h/mirror/" gives "http://h/mirror/download/corvane_setup.zip.ver";
// - otherwise it names the version file itself and is used as it is.
// "" when the address is blank, not a valid URL, has no host, or is not
// http or https.
std::string VersionFileUrl(const std::string& configured);

}  // namespace corvane
