#pragma once
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "site/catalogue.h"
#include "site/media.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib
namespace platform {
class LoopbackServer;
}

namespace site {

struct SiteOptions {
  QString data;       // where the media clips are made and kept
  QString release;    // a staged release: sj.txt and the files it names (optional)
  QString pages;      // extra pages of the site's own, served at /_pages/NAME (tests; optional)
  QString catalogue;  // the catalogue file
  int list_fail = 0;  // answer the list page without its marker this many times (-1: always)
  int delay_ms = 0;   // delay every answer
  QString sign_key;   // a release secret key (hex): "NAME.sig" is NAME's Ed25519 signature (optional)
};

// How a title's detail page is answered (tests switch it per title).
enum class DetailMode { Normal, Empty, Baidu, Grown, Shrunk, Changed, NoEpisodes, Count };

// The site's server on 127.0.0.1: every page and file the programs fetch, plus a control
// endpoint (/_control) for tests.
class SiteServer {
 public:
  explicit SiteServer(SiteOptions options);
  ~SiteServer();

  bool prepare(QString* error);  // reads the catalogue and makes the media
  int start(int port);           // listens in a thread of its own; the port, or -1
  void stop();
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  struct Knobs {
    int list_fail = 0;
    int list_only = 0;  // the list page shows this one title only, as one big link (tests that click)
    int delay_ms = 0;
    std::string media_mode = "normal";     // normal, drop, chunked, truncate, endless
    std::string playdata_mode = "normal";  // normal; nojs: the page names no ".js"; unclosed: no "|$qvod"
    std::map<int, std::pair<DetailMode, int>> detail;
    std::map<int, int> hits;
    std::map<std::string, std::vector<std::string>> queries;  // path -> query strings seen
    std::map<std::string, int64_t> site_us;                   // path -> the site's own time for its last request
  };

  void routes();
  void control(const httplib::Request& req, httplib::Response& res);
  void list(const httplib::Request& req, httplib::Response& res);
  void details(const httplib::Request& req, httplib::Response& res);
  void hits(const httplib::Request& req, httplib::Response& res);
  void media(const httplib::Request& req, httplib::Response& res);
  void release_file(const httplib::Request& req, httplib::Response& res);
  bool release_bytes(const QString& name, std::string* bytes) const;
  void extra_page(const httplib::Request& req, httplib::Response& res);
  void playdata(const httplib::Request& req, httplib::Response& res, bool script);
  void cover(const httplib::Request& req, httplib::Response& res);

  const Title* title_of(const httplib::Request& req, httplib::Response& res) const;
  std::vector<std::string> episode_addresses(const Title& t, QStringList* names = nullptr);
  using Reader = std::function<std::string(int64_t offset, int64_t length)>;
  void send_body(const httplib::Request& req, httplib::Response& res, int64_t size, Reader read,
                 const std::string& type);
  Knobs knobs() const;

  SiteOptions options_;
  std::vector<Title> titles_;
  MediaLibrary media_;
  std::unique_ptr<platform::LoopbackServer> server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  Knobs knobs_;
};

}  // namespace site
