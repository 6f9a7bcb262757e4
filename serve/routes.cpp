#include "serve/routes.h"

#include <httplib.h>

#include <chrono>
#include <limits>

#include "formats/formats.h"
#include "serve/events.h"
#include "serve/json.h"
#include "serve/module_hub.h"

namespace zel::serve {

namespace {

using nlohmann::json;
using Handler = std::function<json(const httplib::Request&)>;

constexpr const char* kSerial = "([A-Za-z0-9_.:-]+)";

void send_json(httplib::Response& res, int status, const json& body)
{
    res.status = status;
    res.set_content(body.dump(), "application/json");
}

// Runs `respond`, turning every failure into an error answer.
void guarded(httplib::Response& res, const std::function<void()>& respond)
{
    try {
        respond();
    } catch (const Error& e) {
        send_json(res, http_status(e.code()), error_json(e.code(), e.what(), e.diagnostics()));
    } catch (const json::exception& e) {
        send_json(res, 400, error_json(ZEL_E_INVALID_ARGUMENT, e.what()));
    } catch (const std::bad_alloc&) {
        send_json(res, 500, error_json(ZEL_E_NO_MEMORY, status_text(ZEL_E_NO_MEMORY)));
    } catch (const std::exception& e) {
        send_json(res, 500, error_json(ZEL_E_INTERNAL, e.what()));
    }
}

// A route that answers JSON.
httplib::Server::Handler answer(Handler handler)
{
    return [handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
        guarded(res, [&] { send_json(res, 200, handler(req)); });
    };
}

json body_object(const httplib::Request& req)
{
    json body;
    try {
        body = json::parse(req.body.empty() ? std::string("{}") : req.body);
    } catch (const json::parse_error& e) {
        throw Error(ZEL_E_INVALID_ARGUMENT, std::string("the request body is not JSON: ") + e.what());
    }
    if (!body.is_object()) {
        throw Error(ZEL_E_INVALID_ARGUMENT, "the request body must be a JSON object");
    }
    return body;
}

// Field `name` of `body` as an integer in [low, high]; `fallback` when absent.
int int_field(const json& body, const char* name, std::optional<int> fallback, int low, int high)
{
    const auto it = body.find(name);
    if (it == body.end()) {
        if (!fallback) {
            throw Error(ZEL_E_INVALID_ARGUMENT, std::string("\"") + name + "\" is missing");
        }
        return *fallback;
    }
    if (!it->is_number_integer() || *it < low || *it > high) {
        throw Error(ZEL_E_INVALID_ARGUMENT, std::string("\"") + name + "\" must be an integer from " +
                                                std::to_string(low) + " to " + std::to_string(high));
    }
    return it->get<int>();
}

json settings(Module& module)
{
    return {{"lamp", module.lamp()},
            {"gain", module.gain()},
            {"averaging", module.averaging()},
            {"accepted_gains", Module::accepted_gains()}};
}

void add_module_routes(httplib::Server& server, ModuleHub& hub)
{
    const std::string base = std::string("/api/modules/") + kSerial;

    server.Get("/api/modules", answer([&hub](const httplib::Request&) {
                   return json{{"modules", hub.list()}};
               }));
    server.Get(base + "/configurations", answer([&hub](const httplib::Request& req) {
                   return hub.with_module(req.matches[1], [](Module& module) {
                       json list = json::array();
                       for (const Configuration& c : module.configurations()) {
                           list.push_back(to_json(c));
                       }
                       return json{{"configurations", list}};
                   });
               }));
    server.Get(base + "/settings", answer([&hub](const httplib::Request& req) {
                   return hub.with_module(req.matches[1], settings);
               }));
    server.Post(base + "/settings", answer([&hub](const httplib::Request& req) {
                    const json body = body_object(req);
                    const auto lamp = body.find("lamp");
                    if (lamp != body.end() && !lamp->is_boolean()) {
                        throw Error(ZEL_E_INVALID_ARGUMENT, "\"lamp\" must be true or false");
                    }
                    const bool has_gain = body.contains("gain");
                    const int gain = has_gain ? int_field(body, "gain", {}, 0, 255) : 0;
                    const bool has_averaging = body.contains("averaging");
                    const int averaging =
                        has_averaging ? int_field(body, "averaging", {}, 1, 65535) : 1;
                    return hub.with_module(req.matches[1], [&](Module& module) {
                        if (lamp != body.end()) {
                            module.set_lamp(lamp->get<bool>());
                        }
                        if (has_gain) {
                            module.set_gain(gain);
                        }
                        if (has_averaging) {
                            module.set_averaging(averaging);
                        }
                        return settings(module);
                    });
                }));
    server.Get(base + "/sensors", answer([&hub](const httplib::Request& req) {
                   return hub.with_module(req.matches[1],
                                          [](Module& module) { return to_json(module.sensors()); });
               }));
    server.Post(base + "/scan", answer([&hub](const httplib::Request& req) {
                    const json body = body_object(req);
                    const int configuration =
                        int_field(body, "configuration", 0, 0, std::numeric_limits<int>::max());
                    const int repeats = int_field(body, "repeats", 1, 1, 1000);
                    return hub.scan(req.matches[1], configuration, repeats);
                }));
    server.Post(base + "/continuous", answer([&hub](const httplib::Request& req) {
                    const json body = body_object(req);
                    hub.start_continuous(req.matches[1], int_field(body, "configuration", 0, 0,
                                                                   std::numeric_limits<int>::max()));
                    return hub.state(req.matches[1]);
                }));
    server.Post(base + "/stop", answer([&hub](const httplib::Request& req) {
                    hub.stop(req.matches[1]);
                    return hub.state(req.matches[1]);
                }));
    server.Post(base + "/unplug", answer([&hub](const httplib::Request& req) {
                    hub.unplug_virtual(req.matches[1]);
                    return hub.state(req.matches[1]);
                }));
    server.Post(base + "/replug", answer([&hub](const httplib::Request& req) {
                    hub.replug_virtual(req.matches[1]);
                    return hub.state(req.matches[1]);
                }));
}

// The file name suffix and the media type of a format.
std::pair<const char*, const char*> file_kind(formats::Format format)
{
    switch (format) {
    case formats::Format::Csv:
        return {"csv", "text/csv; charset=utf-8"};
    case formats::Format::Json:
        return {"json", "application/json"};
    case formats::Format::Jcamp:
        return {"jdx", "chemical/x-jcamp-dx"};
    }
    return {"txt", "text/plain; charset=utf-8"};
}

// A kept spectrum as a file. JCAMP-DX carries one quantity: `quantity`, reflectance when absent;
// CSV and JSON carry every column unless `quantity` names one.
void add_download_route(httplib::Server& server, ModuleHub& hub)
{
    server.Get(R"(/api/spectra/(\d{1,19}))", [&hub](const httplib::Request& req,
                                                     httplib::Response& res) {
        guarded(res, [&] {
            const auto format = formats::format_from_name(req.get_param_value("format"));
            if (!format) {
                throw Error(ZEL_E_INVALID_ARGUMENT, "\"format\" must be csv, json or jcamp");
            }
            std::optional<Quantity> quantity;
            if (req.has_param("quantity")) {
                quantity = quantity_from_string(req.get_param_value("quantity"));
                if (!quantity) {
                    throw Error(ZEL_E_INVALID_ARGUMENT, "\"quantity\" must be intensity, "
                                                        "reference, reflectance or absorbance");
                }
            }
            const uint64_t id = std::stoull(req.matches[1]);
            const auto spectrum = hub.spectrum(id);
            if (!spectrum) {
                send_json(res, 404, error_json(ZEL_E_INVALID_ARGUMENT,
                                               "spectrum " + std::to_string(id) +
                                                   " is not kept (any more): scan again"));
                return;
            }
            const auto [suffix, type] = file_kind(*format);
            res.set_header("Content-Disposition", "attachment; filename=\"zel-" +
                                                      spectrum->metadata.serial + "-" +
                                                      std::to_string(id) + "." + suffix + "\"");
            res.set_content(formats::render(*spectrum, *format, quantity), type);
        });
    });
}

void add_event_route(httplib::Server& server, EventBus& events)
{
    server.Get("/api/events", [&events](const httplib::Request&, httplib::Response& res) {
        auto subscription = events.subscribe();
        auto started = std::make_shared<bool>(false);
        res.set_chunked_content_provider(
            "text/event-stream", [subscription, started](size_t, httplib::DataSink& sink) {
                if (!*started) {
                    *started = true;
                    constexpr std::string_view retry = "retry: 2000\n\n";
                    return sink.write(retry.data(), retry.size());
                }
                // A comment line every few seconds finds a page that went away.
                std::string out = ": keep-alive\n\n";
                if (auto frame = subscription->next(std::chrono::seconds(5))) {
                    out = std::move(*frame);
                } else if (subscription->closed()) {
                    sink.done();
                    return true;
                }
                return sink.write(out.data(), out.size());
            });
    });
}

}  // namespace

int http_status(int code)
{
    switch (code) {
    case ZEL_E_INVALID_ARGUMENT:
    case ZEL_E_CONFIG_INDEX:
        return 400;
    case ZEL_E_NO_MODULE:
        return 404;
    case ZEL_E_BUSY:
    case ZEL_E_CANCELLED:
        return 409;
    case ZEL_E_DISCONNECTED:
    case ZEL_E_OPEN:
    case ZEL_E_PERMISSION:
        return 503;
    case ZEL_E_TIMEOUT:
        return 504;
    case ZEL_E_NO_MEMORY:
    case ZEL_E_INTERNAL:
        return 500;
    default:
        return 502;
    }
}

void add_api_routes(httplib::Server& server, ModuleHub& hub, EventBus& events)
{
    add_module_routes(server, hub);
    add_download_route(server, hub);
    add_event_route(server, events);
}

}  // namespace zel::serve
