#include "serve/serve.h"

#include <httplib.h>
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <mutex>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "device/error.h"
#include "serve/assets.h"
#include "serve/events.h"
#include "serve/json.h"
#include "serve/module_hub.h"
#include "serve/routes.h"
#include "serve/security.h"

namespace zel::serve {

namespace {

// Connections a server serves at once: each page holds one for its events.
constexpr std::size_t kWorkerThreads = 16;

std::string machine_name()
{
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0) {
        return {};
    }
    return name.data();
}

bool is_api(const httplib::Request& req)
{
    return req.path.starts_with("/api/");
}

void refuse(const httplib::Request& req, httplib::Response& res, int status,
            std::string_view message)
{
    res.status = status;
    if (is_api(req)) {
        res.set_content(error_json(ZEL_E_INVALID_ARGUMENT, message).dump(), "application/json");
    } else {
        res.set_content(std::string(message) + "\n", "text/plain; charset=utf-8");
    }
}

}  // namespace

struct Server::Impl {
    explicit Impl(Options opts)
        : options(std::move(opts)),
          token(options.token.empty() ? random_token() : options.token),
          host_name(machine_name()),
          hub(options, events)
    {
    }

    httplib::Server::HandlerResponse check(const httplib::Request& req, httplib::Response& res);
    void add_page_routes();

    Options options;
    std::string token;
    std::string host_name;
    int bound_port = 0;
    std::mutex serving_mutex;
    bool stopped = false;             // stop() was called
    bool entered = false;             // serve() was called before that
    std::atomic<bool> returned{false};  // serve() has returned
    EventBus events;
    ModuleHub hub;
    httplib::Server http;
};

httplib::Server::HandlerResponse Server::Impl::check(const httplib::Request& req,
                                                      httplib::Response& res)
{
    using R = httplib::Server::HandlerResponse;
    if (!host_allowed(req.get_header_value("Host"), options.bind, bound_port, host_name)) {
        refuse(req, res, 403, "this server answers only to its own address (Host refused)");
        return R::Handled;
    }
    if (req.method != "GET" && req.method != "HEAD" && req.method != "POST") {
        res.set_header("Allow", "GET, HEAD, POST");
        refuse(req, res, 405, "only GET and POST are served");
        return R::Handled;
    }
    const std::string cookie_name = token_cookie_name(bound_port);
    const auto cookie = cookie_value(req.get_header_value("Cookie"), cookie_name);
    const auto bearer = bearer_token(req.get_header_value("Authorization"));
    const std::string query = req.get_param_value("token");
    const bool cookie_ok = cookie && token_matches(*cookie, token);
    const bool query_ok = !query.empty() && token_matches(query, token);
    if (!cookie_ok && !query_ok && !(bearer && token_matches(*bearer, token))) {
        refuse(req, res, 403,
               "a valid token is required: open the address that zel serve printed at start");
        return R::Handled;
    }
    if (req.method == "POST") {
        if (!origin_allowed(req.get_header_value("Origin"), options.bind, bound_port, host_name)) {
            refuse(req, res, 403, "requests from other sites are refused");
            return R::Handled;
        }
        if (!req.get_header_value("Content-Type").starts_with("application/json")) {
            refuse(req, res, 415, "a change must be sent as application/json");
            return R::Handled;
        }
    }
    if (query_ok && !cookie_ok && req.method == "GET" && req.path == "/") {
        // The first load trades the token in the address for a cookie, and drops it from the
        // address bar and the history.
        res.set_header("Set-Cookie",
                       cookie_name + "=" + token + "; Path=/; HttpOnly; SameSite=Strict");
        res.set_redirect("/", 303);
        return R::Handled;
    }
    return R::Unhandled;
}

void Server::Impl::add_page_routes()
{
    http.Get(R"(/|/[A-Za-z.]+)", [](const httplib::Request& req, httplib::Response& res) {
        if (const Asset* asset = find_asset(req.path)) {
            res.set_content(asset->body.data(), asset->body.size(), std::string(asset->content_type));
        } else {
            res.status = 404;
            res.set_content("not found\n", "text/plain; charset=utf-8");
        }
    });
}

Server::Server(Options options) : impl_(std::make_unique<Impl>(std::move(options)))
{
    Impl& s = *impl_;
    s.http.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    s.http.set_keep_alive_timeout(2);
    s.http.set_payload_max_length(1 << 20);
    s.http.set_default_headers({
        {"Cache-Control", "no-store"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Content-Security-Policy",
         "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'"},
    });
    s.http.set_pre_routing_handler(
        [&s](const httplib::Request& req, httplib::Response& res) { return s.check(req, res); });
    s.add_page_routes();
    add_api_routes(s.http, s.hub, s.events);

    const std::string& bind = s.options.bind;
    s.bound_port = s.options.port == 0 ? s.http.bind_to_any_port(bind)
                                       : (s.http.bind_to_port(bind, s.options.port)
                                              ? s.options.port
                                              : -1);
    if (s.bound_port <= 0) {
        throw Error(ZEL_E_INVALID_ARGUMENT,
                    "cannot listen on " + bind + " port " + std::to_string(s.options.port) +
                        " (address not available, or port in use or not permitted)");
    }
}

Server::~Server()
{
    stop();
}

int Server::port() const
{
    return impl_->bound_port;
}

const std::string& Server::token() const
{
    return impl_->token;
}

std::string Server::url() const
{
    std::string host = impl_->options.bind;
    if (host == "0.0.0.0" || host == "::") {
        host = impl_->host_name.empty() ? "localhost" : impl_->host_name;
    } else if (host.find(':') != std::string::npos) {
        host = "[" + host + "]";
    }
    return "http://" + host + ":" + std::to_string(port()) + "/?token=" + token();
}

void Server::serve()
{
    {
        std::lock_guard lock(impl_->serving_mutex);
        if (impl_->stopped) {
            return;
        }
        impl_->entered = true;
    }
    impl_->http.listen_after_bind();
    impl_->returned = true;
}

void Server::stop()
{
    bool entered = false;
    {
        std::lock_guard lock(impl_->serving_mutex);
        impl_->stopped = true;
        entered = impl_->entered;
    }
    impl_->events.close();
    impl_->hub.stop_all();
    // The HTTP server ignores a stop that comes before it runs: wait until serve() got there.
    while (entered && !impl_->http.is_running() && !impl_->returned) {
        std::this_thread::yield();
    }
    impl_->http.stop();
}

void run(const Options& options)
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &signals, &previous);
    // Restores the caller's signal mask on every way out.
    struct Restore {
        sigset_t signals;
        sigset_t previous;
        ~Restore()
        {
            // The serving thread's own wake-up may still be pending: take it before unblocking.
            timespec none{};
            while (sigtimedwait(&signals, nullptr, &none) > 0) {
            }
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        }
    } restore{signals, previous};

    Server server(options);
    std::cout << "zel serve: open " << server.url() << std::endl;
    const pthread_t waiter = pthread_self();
    std::thread serving([&server, waiter] {
        server.serve();
        pthread_kill(waiter, SIGTERM);  // wakes the wait below if serving ends by itself
    });
    int signal_number = 0;
    sigwait(&signals, &signal_number);
    server.stop();
    serving.join();
    std::cout << "zel serve: stopped" << std::endl;
}

}  // namespace zel::serve
