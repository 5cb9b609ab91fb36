// Result-page documents shaped like the public engines' pages, for the
// parser tests and the end-to-end tests of `web`.
#pragma once

#include <string>
#include <vector>

namespace zub_test {

// URL-safe base64 without padding, as the click-tracking links carry it.
inline std::string base64_url(const std::string& bytes) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string out;
  unsigned bits = 0;
  int n = 0;
  for (unsigned char c : bytes) {
    bits = (bits << 8) | c;
    n += 8;
    while (n >= 6) {
      n -= 6;
      out.push_back(kAlphabet[(bits >> n) & 63]);
    }
  }
  if (n > 0) out.push_back(kAlphabet[(bits << (6 - n)) & 63]);
  return out;
}

// A click-tracking href (entity-escaped as in the page) leading to `target`.
inline std::string bing_click(const std::string& target) {
  return "https://www.bing.com/ck/a?!&amp;&amp;p=5d1c0e9f2b7a4c31JmltdHM9MTczMzYxNjAwMA&amp;ptn=3"
         "&amp;ver=2&amp;hsh=4&amp;fclid=1e0c6f3a-9b2d-6e41&amp;u=a1" +
         base64_url(target) + "&amp;ntb=1";
}

struct PageHit {
  std::string title;
  std::string url;  // written into the href as given
  std::string snippet;
};

// One organic result of the first engine: a favicon link with the site
// name and breadcrumb, an h2 title link, a caption paragraph.
inline std::string bing_block(const PageHit& h, const std::string& href) {
  return "<li class=\"b_algo\" data-id=\"\" iid=\"SERP.5123\"><div class=\"b_tpcn\">"
         "<a class=\"tilk\" aria-label=\"Site\" href=\"" +
         href +
         "\" h=\"ID=SERP,5123.1\">"
         "<div class=\"tpic\"><img src=\"data:image/png;base64,iVBORw0\"></div>"
         "<div class=\"tptxt\"><div class=\"tptt\">Site</div><div class=\"tpmeta\">"
         "<div class=\"b_attribution\"><cite>example › docs</cite></div></div></div></a></div>"
         "<h2><a href=\"" +
         href + "\" h=\"ID=SERP,5135.1\">" + h.title +
         "</a></h2>"
         "<div class=\"b_caption\"><p class=\"b_lineclamp2\">" +
         h.snippet + "</p></div></li>\n";
}

inline std::string bing_page(const std::vector<PageHit>& hits, bool click_tracking = true) {
  std::string page =
      "<!DOCTYPE html><html lang=\"en\"><head><title>results - Search</title>"
      "<link rel=\"stylesheet\" href=\"/rp/main.css\"></head><body>"
      "<header><a href=\"https://www.bing.com/?FORM=Z9FD1\">Home</a></header>"
      "<main><ol id=\"b_results\">\n";
  for (const auto& h : hits) page += bing_block(h, click_tracking ? bing_click(h.url) : h.url);
  page +=
      "<li class=\"b_pag\"><a href=\"/search?q=x&amp;first=11\">Next</a></li></ol></main>"
      "</body></html>\n";
  return page;
}

// One organic result of the second engine; its marker sits inside the
// result's opening tag.
inline std::string brave_block(const PageHit& h, int pos) {
  return "<div class=\"snippet svelte-1ej3dsu\" data-pos=\"" + std::to_string(pos) +
         "\" data-type=\"web\" data-ref=\"\"><div class=\"result-wrapper\">"
         "<a href=\"" +
         h.url +
         "\" target=\"_self\" class=\"svelte-14r20fy l1\">"
         "<div class=\"site-wrapper\"><div class=\"site-name-content\">"
         "<div class=\"desktop-small-semibold\">Site</div><cite class=\"snippet-url\">"
         "<span class=\"netloc\">site</span><span class=\"url-path\"> › docs › page</span>"
         "</cite></div></div><div class=\"title search-snippet-title\">" +
         h.title + "</div></a><div class=\"generic-snippet\"><div class=\"content\">" + h.snippet +
         "</div></div></div></div>\n";
}

inline std::string brave_page(const std::vector<PageHit>& hits) {
  std::string page =
      "<!doctype html><html><head><title>query - Brave Search</title></head><body>"
      "<nav><a href=\"https://search.brave.com/settings\">Settings</a></nav>"
      "<div id=\"results\">\n";
  int pos = 1;
  for (const auto& h : hits) page += brave_block(h, pos++);
  page +=
      "<footer><a href=\"https://brave.com/privacy/\">Privacy</a></footer></div></body></html>\n";
  return page;
}

inline std::string json_escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// The local metasearch service's JSON answer.
inline std::string searx_json(const std::vector<PageHit>& hits) {
  std::string body = "{\"query\": \"q\", \"number_of_results\": 0, \"results\": [";
  bool first = true;
  for (const auto& h : hits) {
    if (!first) body += ", ";
    first = false;
    body += "{\"url\": \"" + json_escape(h.url) + "\", \"title\": \"" + json_escape(h.title) +
            "\", \"content\": \"" + json_escape(h.snippet) +
            "\", \"engine\": \"duckduckgo\", \"parsed_url\": [\"https\", \"x\", \"/\", \"\", \"\", "
            "\"\"],"
            " \"engines\": [\"duckduckgo\", \"wikipedia\"], \"positions\": [1], \"score\": 1.0}";
  }
  body +=
      "], \"answers\": [], \"corrections\": [], \"infoboxes\": [], \"suggestions\": [],"
      " \"unresponsive_engines\": []}";
  return body;
}

}  // namespace zub_test
