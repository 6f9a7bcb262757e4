// The viewer's server over HTTP, on the virtual module running on its own clock.
#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "device/status.h"
#include "serve/serve.h"

namespace zel::serve {
namespace {

using nlohmann::json;

constexpr const char* kToken = "0123456789abcdef0123456789abcdef";

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Options options;
        options.virtual_module = true;
        options.token = kToken;
        options.virtual_realtime = false;
        server_ = std::make_unique<Server>(options);
        serving_ = std::thread([this] { server_->serve(); });
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        client_->set_read_timeout(30, 0);
        authorised_ = {{"Authorization", std::string("Bearer ") + kToken}};
    }
    void TearDown() override
    {
        server_->stop();
        serving_.join();
    }

    httplib::Result get(const std::string& path, httplib::Headers headers = {})
    {
        headers.merge(httplib::Headers(authorised_));
        return client_->Get(path, headers);
    }
    httplib::Result post(const std::string& path, const std::string& body,
                         httplib::Headers headers = {})
    {
        headers.merge(httplib::Headers(authorised_));
        return client_->Post(path, headers, body, "application/json");
    }
    static json body(const httplib::Result& result) { return json::parse(result->body); }
    static int error_code(const httplib::Result& result)
    {
        return body(result)["error"]["code"].get<int>();
    }

    std::unique_ptr<Server> server_;
    std::thread serving_;
    std::unique_ptr<httplib::Client> client_;
    httplib::Headers authorised_;
};

TEST_F(ServerTest, UrlCarriesTheTokenAndThePort)
{
    EXPECT_EQ(server_->url(), "http://127.0.0.1:" + std::to_string(server_->port()) +
                                  "/?token=" + kToken);
}

TEST_F(ServerTest, WrongOrMissingTokenGetsNothing)
{
    for (const httplib::Headers& headers :
         {httplib::Headers{}, httplib::Headers{{"Authorization", "Bearer 0123456789abcdef"}},
          httplib::Headers{{"Cookie", "zel_token_" + std::to_string(server_->port()) +
                                          "=ffffffffffffffffffffffffffffffff"}}}) {
        for (const char* path : {"/", "/app.js", "/api/modules", "/api/events"}) {
            auto result = client_->Get(path, headers);
            ASSERT_TRUE(result);
            EXPECT_EQ(result->status, 403) << path;
            EXPECT_EQ(result->body.find("ZEL00001"), std::string::npos) << path;
            EXPECT_EQ(result->body.find("<script"), std::string::npos) << path;
        }
    }
    auto result = client_->Get("/?token=ffffffffffffffffffffffffffffffff");
    EXPECT_EQ(result->status, 403);
    EXPECT_FALSE(result->has_header("Set-Cookie"));
}

TEST_F(ServerTest, FirstLoadTradesTheTokenForACookie)
{
    auto first = client_->Get(std::string("/?token=") + kToken);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 303);
    EXPECT_EQ(first->get_header_value("Location"), "/");
    const std::string cookie_name = "zel_token_" + std::to_string(server_->port());
    EXPECT_EQ(first->get_header_value("Set-Cookie"),
              cookie_name + "=" + kToken + "; Path=/; HttpOnly; SameSite=Strict");

    const httplib::Headers cookie{{"Cookie", cookie_name + "=" + kToken}};
    auto page = client_->Get("/", cookie);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("<title>zel viewer</title>"), std::string::npos);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    auto library = client_->Get("/uPlot.iife.min.js", cookie);
    EXPECT_EQ(library->status, 200);
    EXPECT_EQ(library->get_header_value("Content-Type"), "text/javascript; charset=utf-8");
    EXPECT_EQ(client_->Get("/api/modules", cookie)->status, 200);
}

TEST_F(ServerTest, ForeignHostIsRefusedEvenWithTheToken)
{
    const std::string port = std::to_string(server_->port());
    for (const std::string& host :
         std::vector<std::string>{"attacker.example:" + port, "127.0.0.1:1", "127.0.0.2:" + port}) {
        auto result = get("/api/modules", {{"Host", host}});
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 403) << host;
        EXPECT_EQ(result->body.find("ZEL00001"), std::string::npos);
    }
    EXPECT_EQ(get("/api/modules", {{"Host", "localhost:" + port}})->status, 200);
}

TEST_F(ServerTest, ChangesOnlyByPostWithJsonFromTheSameOrigin)
{
    const std::string scan = "/api/modules/ZEL00001/scan";
    EXPECT_EQ(get(scan)->status, 404);
    for (const char* method : {"PUT", "DELETE", "PATCH", "OPTIONS"}) {
        httplib::Request request;
        request.method = method;
        request.path = scan;
        request.headers = authorised_;
        request.headers.emplace("Origin", "http://attacker.example");
        auto result = client_->send(request);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 405) << method;
        EXPECT_FALSE(result->has_header("Access-Control-Allow-Origin"));
    }
    // What a form on another site can send: refused before it reaches the module.
    httplib::Headers headers = authorised_;
    auto form = client_->Post(scan, headers, "configuration=0", "application/x-www-form-urlencoded");
    EXPECT_EQ(form->status, 415);
    auto foreign = post(scan, "{}", {{"Origin", "http://attacker.example"}});
    EXPECT_EQ(foreign->status, 403);
    EXPECT_FALSE(foreign->has_header("Access-Control-Allow-Origin"));
    const std::string own = "http://127.0.0.1:" + std::to_string(server_->port());
    EXPECT_EQ(post(scan, "{}", {{"Origin", own}})->status, 200);
}

TEST_F(ServerTest, ListsTheVirtualModule)
{
    auto result = get("/api/modules");
    ASSERT_EQ(result->status, 200);
    EXPECT_EQ(body(result), json::parse(R"({"modules": [{"serial": "ZEL00001",
        "path": "virtual:ZEL00001", "virtual": true, "connected": true, "scanning": false,
        "configuration": 0, "error": null}]})"));
}

TEST_F(ServerTest, UnknownModuleAndSpectrumAreNotFound)
{
    auto result = get("/api/modules/NOSUCH01/settings");
    EXPECT_EQ(result->status, 404);
    EXPECT_EQ(error_code(result), ZEL_E_NO_MODULE);
    EXPECT_EQ(body(result)["error"]["message"], "no module with serial number \"NOSUCH01\" is served");
    EXPECT_EQ(post("/api/modules/NOSUCH01/scan", "{}")->status, 404);
    EXPECT_EQ(get("/api/spectra/999?format=csv")->status, 404);
}

TEST_F(ServerTest, BadRequestBodiesAreRefusedInWords)
{
    const std::string settings = "/api/modules/ZEL00001/settings";
    struct Case {
        const char* body;
        const char* message_start;
    };
    for (const Case& c : {
             Case{"{\"lamp\": tru", "the request body is not JSON"},
             Case{"[1, 2]", "the request body must be a JSON object"},
             Case{"{\"lamp\": 1}", "\"lamp\" must be true or false"},
             Case{"{\"averaging\": 0}", "\"averaging\" must be an integer from 1 to 65535"},
             Case{"{\"averaging\": 2.5}", "\"averaging\" must be an integer from 1 to 65535"},
             Case{"{\"gain\": \"high\"}", "\"gain\" must be an integer from 0 to 255"},
         }) {
        auto result = post(settings, c.body);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 400) << c.body;
        EXPECT_EQ(error_code(result), ZEL_E_INVALID_ARGUMENT) << c.body;
        EXPECT_TRUE(body(result)["error"]["message"].get<std::string>().starts_with(c.message_start))
            << c.body << ": " << body(result)["error"]["message"];
    }
    auto scan = post("/api/modules/ZEL00001/scan", R"({"configuration": "first"})");
    EXPECT_EQ(scan->status, 400);
    // A bad request changes nothing.
    EXPECT_EQ(body(get(settings))["averaging"], 1);
}

TEST_F(ServerTest, SettingsRoundTrip)
{
    const std::string path = "/api/modules/ZEL00001/settings";
    auto changed = post(path, R"({"lamp": false, "gain": 8, "averaging": 3})");
    ASSERT_EQ(changed->status, 200) << changed->body;
    json expected = body(changed);
    EXPECT_EQ(expected["lamp"], false);
    EXPECT_EQ(expected["gain"], 8);
    EXPECT_EQ(expected["averaging"], 3);
    EXPECT_EQ(body(get(path)), expected);
    auto refused = post(path, R"({"gain": 3})");
    EXPECT_EQ(refused->status, 400);
    EXPECT_EQ(body(get(path))["gain"], 8);
}

TEST_F(ServerTest, ScanGivesTheConfigurationsPointsAndIsKeptForDownload)
{
    const json configurations =
        body(get("/api/modules/ZEL00001/configurations"))["configurations"];
    ASSERT_FALSE(configurations.empty());
    const json& first = configurations[0];
    auto result = post("/api/modules/ZEL00001/scan", R"({"configuration": 0})");
    ASSERT_EQ(result->status, 200) << result->body;
    const json spectrum = body(result);
    const std::size_t points = first["points"].get<std::size_t>();
    EXPECT_EQ(spectrum["wavelength_nm"].size(), points);
    EXPECT_EQ(spectrum["intensity"].size(), points);
    EXPECT_EQ(spectrum["reference"].size(), points);
    EXPECT_EQ(spectrum["metadata"]["serial"], "ZEL00001");
    EXPECT_EQ(spectrum["metadata"]["configuration"], 0);
    EXPECT_EQ(spectrum["metadata"]["configuration_name"], first["name"]);
    EXPECT_GE(spectrum["wavelength_nm"].front().get<double>(), first["start_nm"].get<double>() - 1);
    EXPECT_LE(spectrum["wavelength_nm"].back().get<double>(), first["end_nm"].get<double>() + 1);

    auto bad_index = post("/api/modules/ZEL00001/scan", R"({"configuration": 99})");
    EXPECT_EQ(bad_index->status, 400);
    EXPECT_EQ(error_code(bad_index), ZEL_E_CONFIG_INDEX);
}

TEST_F(ServerTest, UnpluggedModuleIsDisconnectedUntilItComesBack)
{
    ASSERT_EQ(post("/api/modules/ZEL00001/unplug", "{}")->status, 200);
    auto sensors = get("/api/modules/ZEL00001/sensors");
    EXPECT_EQ(sensors->status, 503);
    EXPECT_EQ(error_code(sensors), ZEL_E_DISCONNECTED);
    EXPECT_EQ(body(sensors)["error"]["message"], "the module was disconnected");
    const json listed = body(get("/api/modules"))["modules"][0];
    EXPECT_EQ(listed["connected"], false);
    EXPECT_EQ(listed["error"], "the module was disconnected");
    EXPECT_EQ(post("/api/modules/ZEL00001/scan", "{}")->status, 503);

    auto back = post("/api/modules/ZEL00001/replug", "{}");
    ASSERT_EQ(back->status, 200);
    EXPECT_EQ(body(back)["connected"], true);
    EXPECT_EQ(body(back)["error"], nullptr);
    EXPECT_EQ(get("/api/modules/ZEL00001/sensors")->status, 200);
    EXPECT_EQ(post("/api/modules/ZEL00001/scan", "{}")->status, 200);
}

TEST_F(ServerTest, DownloadsAKeptSpectrumAsAFile)
{
    auto scanned = post("/api/modules/ZEL00001/scan", "{}");
    ASSERT_EQ(scanned->status, 200);
    const std::string id = body(scanned)["id"].dump();

    auto csv = get("/api/spectra/" + id + "?format=csv");
    ASSERT_EQ(csv->status, 200);
    EXPECT_EQ(csv->get_header_value("Content-Type"), "text/csv; charset=utf-8");
    EXPECT_EQ(csv->get_header_value("Content-Disposition"),
              "attachment; filename=\"zel-ZEL00001-" + id + ".csv\"");
    EXPECT_TRUE(csv->body.starts_with("# serial: ZEL00001\n# configuration: 0\n")) << csv->body;
    EXPECT_NE(csv->body.find("\nwavelength_nm,intensity,reference,reflectance\n"), std::string::npos);

    auto jcamp = get("/api/spectra/" + id + "?format=jcamp&quantity=absorbance");
    ASSERT_EQ(jcamp->status, 200);
    EXPECT_EQ(jcamp->get_header_value("Content-Type"), "chemical/x-jcamp-dx");
    EXPECT_EQ(jcamp->get_header_value("Content-Disposition"),
              "attachment; filename=\"zel-ZEL00001-" + id + ".jdx\"");
    EXPECT_NE(jcamp->body.find("ABSORBANCE"), std::string::npos);

    EXPECT_EQ(get("/api/spectra/" + id + "?format=xml")->status, 400);
    EXPECT_EQ(get("/api/spectra/" + id)->status, 400);
    EXPECT_EQ(get("/api/spectra/" + id + "?format=csv&quantity=colour")->status, 400);
    EXPECT_EQ(get("/api/spectra/99999?format=csv")->status, 404);
}

// Reads the push channel on its own connection, frame by frame.
class EventReader {
public:
    EventReader(int port, const httplib::Headers& headers)
        : client_("127.0.0.1", port),
          thread_([this, headers] {
              client_.Get("/api/events", headers, [this](const char* data, std::size_t size) {
                  std::lock_guard lock(mutex_);
                  buffer_.append(data, size);
                  for (std::size_t end; (end = buffer_.find("\n\n")) != std::string::npos;) {
                      frames_.push_back(buffer_.substr(0, end));
                      buffer_.erase(0, end + 2);
                  }
                  changed_.notify_all();
                  return true;
              });
          })
    {
    }
    ~EventReader()
    {
        client_.stop();
        thread_.join();
    }

    // Waits until `done` holds for the frames so far ("event: NAME\ndata: JSON" each).
    bool wait(const std::function<bool(const std::vector<std::string>&)>& done)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return done(frames_); });
    }
    std::vector<json> data(const std::string& name)
    {
        std::lock_guard lock(mutex_);
        return select(frames_, name);
    }
    static std::vector<json> select(const std::vector<std::string>& frames, const std::string& name)
    {
        std::vector<json> found;
        const std::string head = "event: " + name + "\ndata: ";
        for (const std::string& frame : frames) {
            if (frame.starts_with(head)) {
                found.push_back(json::parse(frame.substr(head.size())));
            }
        }
        return found;
    }

private:
    httplib::Client client_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string buffer_;
    std::vector<std::string> frames_;
    std::thread thread_;
};

TEST_F(ServerTest, ContinuousScanningPushesSpectraUntilStopped)
{
    EventReader events(server_->port(), authorised_);
    ASSERT_TRUE(events.wait([](const auto& frames) { return !frames.empty(); }));

    auto started = post("/api/modules/ZEL00001/continuous", R"({"configuration": 0})");
    ASSERT_EQ(started->status, 200) << started->body;
    EXPECT_EQ(body(started)["scanning"], true);
    ASSERT_TRUE(events.wait(
        [](const auto& frames) { return EventReader::select(frames, "spectrum").size() >= 3; }));
    auto single = post("/api/modules/ZEL00001/scan", "{}");
    EXPECT_EQ(single->status, 409);
    EXPECT_EQ(error_code(single), ZEL_E_BUSY);

    auto stopped = post("/api/modules/ZEL00001/stop", "{}");
    ASSERT_EQ(stopped->status, 200);
    EXPECT_EQ(body(stopped)["scanning"], false);
    ASSERT_TRUE(events.wait([](const auto& frames) {
        const auto states = EventReader::select(frames, "module");
        return !states.empty() && states.back()["scanning"] == false;
    }));
    const std::vector<json> spectra = events.data("spectrum");
    for (std::size_t i = 1; i < spectra.size(); ++i) {
        EXPECT_GT(spectra[i]["id"].get<uint64_t>(), spectra[i - 1]["id"].get<uint64_t>());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(events.data("spectrum").size(), spectra.size());
    // Every pushed spectrum can be fetched again.
    EXPECT_EQ(get("/api/spectra/" + spectra.back()["id"].dump() + "?format=json")->status, 200);
}

TEST_F(ServerTest, UnplugWhileScanningEndsScanningAsDisconnected)
{
    EventReader events(server_->port(), authorised_);
    ASSERT_TRUE(events.wait([](const auto& frames) { return !frames.empty(); }));
    ASSERT_EQ(post("/api/modules/ZEL00001/continuous", "{}")->status, 200);
    ASSERT_TRUE(events.wait(
        [](const auto& frames) { return !EventReader::select(frames, "spectrum").empty(); }));
    ASSERT_EQ(post("/api/modules/ZEL00001/unplug", "{}")->status, 200);
    ASSERT_TRUE(events.wait([](const auto& frames) {
        const auto states = EventReader::select(frames, "module");
        return !states.empty() && states.back()["scanning"] == false;
    }));
    const json last = events.data("module").back();
    EXPECT_EQ(last["connected"], false);
    EXPECT_TRUE(last["error"].get<std::string>().ends_with("the module was disconnected"))
        << last["error"];
    ASSERT_EQ(post("/api/modules/ZEL00001/replug", "{}")->status, 200);
    EXPECT_EQ(post("/api/modules/ZEL00001/continuous", "{}")->status, 200);
    EXPECT_EQ(post("/api/modules/ZEL00001/stop", "{}")->status, 200);
}

}  // namespace
}  // namespace zel::serve
