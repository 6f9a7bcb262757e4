#include "serve/security.h"

#include <arpa/inet.h>
#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "device/error.h"
#include "device/status.h"

namespace zel::serve {

namespace {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool iequals(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The 4 or 16 bytes of an address literal, or empty when `text` is none.
std::string address_bytes(std::string_view text)
{
    std::string s(text);
    std::array<unsigned char, 16> buffer{};
    if (inet_pton(AF_INET, s.c_str(), buffer.data()) == 1) {
        return std::string(buffer.begin(), buffer.begin() + 4);
    }
    if (inet_pton(AF_INET6, s.c_str(), buffer.data()) == 1) {
        return std::string(buffer.begin(), buffer.end());
    }
    return {};
}

bool is_wildcard(std::string_view bind)
{
    const std::string bytes = address_bytes(bind);
    return !bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

bool is_loopback_name(std::string_view host)
{
    if (iequals(host, "localhost")) {
        return true;
    }
    const std::string bytes = address_bytes(host);
    return bytes == address_bytes("127.0.0.1") || bytes == address_bytes("::1");
}

}  // namespace

std::string random_token()
{
    std::array<unsigned char, 16> bytes{};
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got < 0) {
            throw Error(ZEL_E_INTERNAL, "no random bytes for the server's token");
        }
        filled += static_cast<std::size_t>(got);
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += digits[b >> 4];
        token += digits[b & 15];
    }
    return token;
}

std::string token_cookie_name(int port)
{
    return "zel_token_" + std::to_string(port);
}

std::optional<std::string> cookie_value(std::string_view cookie_header, std::string_view name)
{
    while (!cookie_header.empty()) {
        const std::size_t end = cookie_header.find(';');
        const std::string_view pair = trim(cookie_header.substr(0, end));
        const std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == name) {
            return std::string(pair.substr(eq + 1));
        }
        cookie_header = end == std::string_view::npos ? std::string_view{}
                                                      : cookie_header.substr(end + 1);
    }
    return std::nullopt;
}

std::optional<std::string> bearer_token(std::string_view authorization_header)
{
    constexpr std::string_view bearer = "Bearer ";
    if (authorization_header.size() > bearer.size() &&
        iequals(authorization_header.substr(0, bearer.size()), bearer)) {
        return std::string(trim(authorization_header.substr(bearer.size())));
    }
    return std::nullopt;
}

bool token_matches(std::string_view presented, std::string_view expected)
{
    unsigned char diff = presented.size() == expected.size() ? 0 : 1;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        diff |= static_cast<unsigned char>(expected[i] ^ (i < presented.size() ? presented[i] : 0));
    }
    return diff == 0;
}

bool host_allowed(std::string_view host_header, std::string_view bind, int port,
                  std::string_view machine_name)
{
    std::string_view host;
    std::string_view port_text;
    if (host_header.starts_with('[')) {
        const std::size_t close = host_header.find(']');
        if (close == std::string_view::npos || host_header.substr(close + 1, 1) != ":") {
            return false;
        }
        host = host_header.substr(1, close - 1);
        port_text = host_header.substr(close + 2);
        if (address_bytes(host).size() != 16) {
            return false;
        }
    } else {
        const std::size_t colon = host_header.rfind(':');
        if (colon == std::string_view::npos) {
            return false;
        }
        host = host_header.substr(0, colon);
        port_text = host_header.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) {
            return false;  // an IPv6 literal must be bracketed
        }
    }
    int given_port = -1;
    const auto [end, ec] = std::from_chars(port_text.data(), port_text.data() + port_text.size(),
                                           given_port);
    if (ec != std::errc{} || end != port_text.data() + port_text.size() || given_port != port ||
        host.empty()) {
        return false;
    }
    if (is_loopback_name(host)) {
        return true;
    }
    const std::string host_bytes = address_bytes(host);
    if (is_wildcard(bind)) {
        return !host_bytes.empty() || (!machine_name.empty() && iequals(host, machine_name));
    }
    return host_bytes.empty() ? iequals(host, bind) : host_bytes == address_bytes(bind);
}

bool origin_allowed(std::string_view origin_header, std::string_view bind, int port,
                    std::string_view machine_name)
{
    if (origin_header.empty()) {
        return true;
    }
    constexpr std::string_view scheme = "http://";
    return origin_header.starts_with(scheme) &&
           host_allowed(origin_header.substr(scheme.size()), bind, port, machine_name);
}

}  // namespace zel::serve
