#include "web/engine_standins.h"

#include <dirent.h>
#include <sys/stat.h>
#include <fstream>
#include <sstream>

#include "web/wire_format.h"

namespace zub_test {

namespace {

// POSIX sh only; the PATH holds nothing but the stand-ins, so every other
// program is named by its absolute path.
constexpr const char* kCurlScript = R"SH(#!/bin/sh
D='@DIR@'
for a in "$@"; do printf '%s\000' "$a"; done > "$D/calls/curl.$$"
# The local service's address can be forwarded to a loopback test server:
# the real curl then runs with the same arguments and only the port changed.
if [ -f "$D/forward" ]; then
  for last in "$@"; do :; done
  case $last in
    'http://127.0.0.1:8888/'*)
      read -r port real < "$D/forward"
      n=$#; i=0
      for a in "$@"; do
        i=$((i + 1))
        [ $i -eq 1 ] && set --
        [ $i -eq $n ] && a="http://127.0.0.1:$port/${last#http://127.0.0.1:8888/}"
        set -- "$@" "$a"
      done
      exec "$real" "$@"
      ;;
  esac
fi
ua='@USER_AGENT@'
[ "$1" = -q ] && [ "$2" = --globoff ] || exit 2
shift 2
[ "$1" = -s ] && [ "$2" = --compressed ] && [ "$3" = -m ] && [ "$5" = -A ] && [ "$6" = "$ua" ] || exit 2
shift 6
for h in @REQUEST_HEADERS@; do
  [ "$1" = -H ] && [ "$2" = "$h" ] || exit 2
  shift 2
done
tab=$(printf '\t')
lookup() {
  st=exit6; f=
  for r in "$D/routes" "$D/routes.late"; do
    [ -f "$r" ] || continue
    while IFS="$tab" read -r u s p; do
      if [ "$u" = "$1" ]; then st=$s; f=$p; fi
    done < "$r"
  done
}
subst() {  # replaces the first $1 in $out by $2
  case $out in *"$1"*) out=${out%%"$1"*}$2${out#*"$1"} ;; esac
}
if [ "$1" = --parallel ]; then
  [ "$2" = --parallel-max ] && [ "$3" = 8 ] && [ "$4" = -w ] || exit 2
  [ "$5" = '@BATCH_TRAILER@' ] || exit 2
  fmt=$5; shift 5
  i=0
  while [ $# -gt 0 ]; do
    [ "$1" = -o ] && [ $# -ge 3 ] || exit 2
    lookup "$3"
    case $st in
      exit*) code=000; ec=${st#exit} ;;
      *) code=$st; ec=0; /bin/cat "$f" > "$2" ;;
    esac
    out=$fmt; subst '%{urlnum}' "$i"; subst '%{exitcode}' "$ec"; subst '%{http_code}' "$code"
    subst '%{header_json}' '{"content-type":["text/html; charset=utf-8"]}'
    printf '%s' "$out"
    i=$((i + 1)); shift 3
  done
  exit 0
fi
while [ "$1" = -H ]; do
  case $2 in 'If-None-Match: '*|'If-Modified-Since: '*) shift 2 ;; *) exit 2 ;; esac
done
[ $# -eq 3 ] && [ "$1" = -w ] || exit 2
[ "$2" = '@SINGLE_TRAILER@' ] || exit 2
lookup "$3"
case $st in exit*) exit "${st#exit}" ;; esac
/bin/cat "$f"
out=$2; subst '%{http_code}' "$st"; subst '%{remote_ip} %{redirect_url}' '127.0.0.1 '
subst '%{header_json}' '{"content-type":["text/html; charset=utf-8"]}'
printf '%s' "$out"
)SH";

constexpr const char* kDockerScript = R"SH(#!/bin/sh
D='@DIR@'
printf '%s\n' "$*" >> "$D/docker.log"
[ $# -eq 2 ] && [ "$1" = start ] && [ "$2" = searxng ] || exit 125
st=@STATUS@
if [ "$st" = 0 ]; then
  [ -f "$D/routes.after" ] && /bin/cat "$D/routes.after" >> "$D/routes.late"
  [ -f "$D/forward.after" ] && /bin/cp "$D/forward.after" "$D/forward"
  printf 'searxng\n'
else
  printf 'Error response from daemon: No such container: searxng\n' >&2
fi
exit "$st"
)SH";

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

void append(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::app);
  f << text;
}

}  // namespace

EngineStandIns::EngineStandIns() {
  dir_.mkdir("bin");
  dir_.mkdir("calls");
  dir_.mkdir("home");
  dir_.mkdir("docs");
  dir_.write("routes", "");
  // What zub sends and asks curl to write, single-quoted in the script
  // (none of it holds a quote).
  std::string script = replace_all(kCurlScript, "@DIR@", dir_.path());
  script = replace_all(script, "@USER_AGENT@", std::string(zub::kUserAgent));
  std::string headers;
  for (std::string_view h : zub::kRequestHeaders)
    headers += (headers.empty() ? "'" : " '") + std::string(h) + "'";
  script = replace_all(script, "@REQUEST_HEADERS@", headers);
  script = replace_all(script, "@BATCH_TRAILER@", std::string(zub::kBatchTrailer));
  script = replace_all(script, "@SINGLE_TRAILER@", std::string(zub::kSingleTrailer));
  const std::string curl = dir_.write("bin/curl", script);
  chmod(curl.c_str(), 0755);
}

void EngineStandIns::add_route(const std::string& file, const std::string& url,
                               const std::string& status, const std::string& body) {
  const std::string doc = dir_.write("docs/" + std::to_string(next_doc_++), body);
  append(dir_ / file, url + "\t" + status + "\t" + doc + "\n");
}

void EngineStandIns::serve(const std::string& url, const std::string& body, int status) {
  add_route("routes", url, std::to_string(status), body);
}

void EngineStandIns::refuse(const std::string& url, int exit_code) {
  add_route("routes", url, "exit" + std::to_string(exit_code), "");
}

void EngineStandIns::install_docker(int status) {
  std::string script = replace_all(kDockerScript, "@DIR@", dir_.path());
  script = replace_all(script, "@STATUS@", std::to_string(status));
  const std::string path = dir_.write("bin/docker", script);
  chmod(path.c_str(), 0755);
}

void EngineStandIns::serve_after_docker(const std::string& url, const std::string& body) {
  add_route("routes.after", url, "200", body);
}

void EngineStandIns::forward_searx(uint16_t port, const std::string& real_curl) {
  dir_.write("forward", std::to_string(port) + " " + real_curl + "\n");
}

void EngineStandIns::forward_searx_after_docker(uint16_t port, const std::string& real_curl) {
  dir_.write("forward.after", std::to_string(port) + " " + real_curl + "\n");
}

RunOptions EngineStandIns::options(std::vector<std::string> extra_env) const {
  RunOptions o;
  o.env_set = {"PATH=" + (dir_ / "bin"), "HOME=" + (dir_ / "home"), "NO_PROXY=127.0.0.1",
               "no_proxy=127.0.0.1"};
  for (auto& e : extra_env) o.env_set.push_back(std::move(e));
  for (const char* name : {"ZUB_NO_CACHE", "ZUB_REFRESH", "ZUB_CACHE_TTL", "ZUB_STALE",
                           "ZUB_CACHE_DEBUG", "ZUB_WEB_DEBUG", "TMPDIR"}) {
    bool overridden = false;
    for (const auto& e : o.env_set) overridden |= e.rfind(std::string(name) + "=", 0) == 0;
    if (!overridden) o.env_unset.push_back(name);
  }
  return o;
}

std::vector<std::vector<std::string>> EngineStandIns::curl_calls() const {
  std::vector<std::vector<std::string>> calls;
  DIR* d = opendir((dir_ / "calls").c_str());
  if (!d) return calls;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    const std::string raw = zub_test::file_bytes(dir_ / ("calls/" + std::string(e->d_name)));
    std::vector<std::string> args;
    size_t start = 0;
    for (size_t nul = raw.find('\0'); nul != std::string::npos; nul = raw.find('\0', start)) {
      args.push_back(raw.substr(start, nul - start));
      start = nul + 1;
    }
    calls.push_back(std::move(args));
  }
  closedir(d);
  return calls;
}

std::vector<std::string> EngineStandIns::docker_calls() const {
  std::vector<std::string> lines;
  std::istringstream in(zub_test::file_bytes(dir_ / "docker.log"));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string bing_url(const std::string& q) { return "https://www.bing.com/search?q=" + q; }
std::string brave_url(const std::string& q) { return "https://search.brave.com/search?q=" + q; }
std::string searx_url(const std::string& q) {
  return "http://127.0.0.1:8888/search?format=json&safesearch=0&q=" + q;
}

std::string arg_after(const std::vector<std::string>& args, const std::string& flag) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == flag) return args[i + 1];
  return "";
}

}  // namespace zub_test
