#pragma once

#include <pugixml.hpp>
#include <string>

namespace corvane {

// Reads the whole of a document file into `bytes`. Only regular files are
// opened: a directory cannot be parsed and a FIFO could block forever.
// Answers status_ok, status_file_not_found (nothing at the path) or
// status_io_error (not a regular file, or it could not be read).
pugi::xml_parse_status ReadDocumentFile(const std::string& path, std::string& bytes);

}  // namespace corvane
