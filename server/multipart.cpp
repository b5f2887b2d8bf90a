#include "server/multipart.hpp"

#include <cctype>

namespace kelvora::server {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The value of `name="..."` in a Content-Disposition header.
std::optional<std::string> disposition_name(std::string_view headers) {
    const std::string lowered = lower(headers);
    const std::size_t header = lowered.find("content-disposition:");
    if (header == std::string::npos) return std::nullopt;
    const std::size_t line_end = lowered.find("\r\n", header);
    const std::string_view line = headers.substr(header, line_end - header);
    const std::string lowered_line = lower(line);
    for (std::size_t at = lowered_line.find("name=\""); at != std::string::npos;
         at = lowered_line.find("name=\"", at + 1)) {
        // Not the tail of "filename=".
        if (at > 0 && std::isalpha(static_cast<unsigned char>(lowered_line[at - 1]))) continue;
        const std::size_t start = at + 6, end = line.find('"', start);
        if (end == std::string_view::npos) return std::nullopt;
        return std::string(line.substr(start, end - start));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> multipart_boundary(std::string_view content_type) {
    const std::string type = lower(content_type);
    if (type.rfind("multipart/form-data", 0) != 0) return std::nullopt;
    const std::size_t at = type.find("boundary=");
    if (at == std::string::npos) return std::nullopt;
    std::string_view boundary = content_type.substr(at + 9);
    boundary = boundary.substr(0, boundary.find(';'));
    if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
        boundary = boundary.substr(1, boundary.size() - 2);
    if (boundary.empty() || boundary.size() > 70) return std::nullopt;
    return std::string(boundary);
}

std::optional<FormFields> decode_multipart(std::string_view body, std::string_view boundary) {
    const std::string delimiter = "--" + std::string(boundary);
    if (body.substr(0, delimiter.size()) != delimiter) return std::nullopt;
    FormFields fields;
    std::size_t at = delimiter.size();
    for (;;) {
        if (body.substr(at, 2) == "--") return fields;  // the closing delimiter
        if (body.substr(at, 2) != "\r\n") return std::nullopt;
        at += 2;
        const std::size_t headers_end = body.find("\r\n\r\n", at);
        if (headers_end == std::string_view::npos) return std::nullopt;
        auto name = disposition_name(body.substr(at, headers_end - at + 2));
        const std::size_t content = headers_end + 4;
        const std::size_t next = body.find("\r\n" + delimiter, content);
        if (!name || next == std::string_view::npos) return std::nullopt;
        fields.emplace_back(std::move(*name), std::string(body.substr(content, next - content)));
        at = next + 2 + delimiter.size();
    }
}

}  // namespace kelvora::server
