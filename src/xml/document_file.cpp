#include "xml/document_file.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace corvane {

pugi::xml_parse_status ReadDocumentFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return pugi::status_file_not_found;
  if (error || status.type() != std::filesystem::file_type::regular) return pugi::status_io_error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return pugi::status_io_error;

  std::ifstream in(path, std::ios::binary);
  if (!in) return pugi::status_io_error;
  try {
    bytes.resize(size);
  } catch (const std::exception&) {  // bad_alloc or length_error: far too big
    return pugi::status_out_of_memory;
  }
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  // The file may have shrunk since its size was taken; keep what was read.
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (in.bad()) return pugi::status_io_error;
  return pugi::status_ok;
}

}  // namespace corvane
