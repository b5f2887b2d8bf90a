#pragma once
// The top page's replay upload: a multipart/form-data body as browsers send a file field.

#include <optional>
#include <string_view>

#include "server/entry_form.hpp"

namespace kelvora::server {

// The boundary of a multipart/form-data Content-Type, or nothing when the type is another.
std::optional<std::string> multipart_boundary(std::string_view content_type);

// The parts' names and contents in order; nothing when the body is not well formed.
std::optional<FormFields> decode_multipart(std::string_view body, std::string_view boundary);

}  // namespace kelvora::server
