// The request checks of the viewer's server, as pure functions of the request's headers.
#ifndef ZEL_SERVE_SECURITY_H
#define ZEL_SERVE_SECURITY_H

#include <optional>
#include <string>
#include <string_view>

namespace zel::serve {

// 32 lower-case hex digits (128 bits) from the system's random source.
std::string random_token();

// The name of the cookie that carries the token. It names the port: browsers share cookies
// between ports of one host, so two servers must not overwrite each other's.
std::string token_cookie_name(int port);

// The value of cookie `name` in a Cookie header, if it is there.
std::optional<std::string> cookie_value(std::string_view cookie_header, std::string_view name);

// The token of an "Authorization: Bearer TOKEN" header, if it is one.
std::optional<std::string> bearer_token(std::string_view authorization_header);

// Compares in time independent of where the texts differ.
bool token_matches(std::string_view presented, std::string_view expected);

// Whether a Host header may reach a server bound to `bind` on `port`: the host must be
// localhost, 127.0.0.1, [::1] or the bound address, with the port given and equal. A server
// bound to every address (0.0.0.0, ::) also takes any IP literal and this machine's host name;
// a DNS name other than these could be an attacker's name pointing here (DNS rebinding).
bool host_allowed(std::string_view host_header, std::string_view bind, int port,
                  std::string_view machine_name);

// Whether an Origin header names this server: absent, or http://HOST where HOST passes
// host_allowed.
bool origin_allowed(std::string_view origin_header, std::string_view bind, int port,
                    std::string_view machine_name);

}  // namespace zel::serve

#endif
