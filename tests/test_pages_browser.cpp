// Every page of the program in headless Chromium, on a workshop whose names
// hold "&" and "<": the pages the menu and the pages themselves link to,
// and the list and new-record form of every page id.  What the user sees
// (the text, the captions of buttons, the values of fields, the options of
// lists) never shows an entity such as "&amp;", "&lt;" or "&nbsp;": nothing
// is escaped twice.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "mages/mages.hpp"
#include "tests/kal_browser_site.hpp"
#include "tests/kal_workshop.hpp"

namespace {

kal::e2e::Server::Options workshop() {
  kal::e2e::Server::Options o;
  o.files = kal::workshop::shop();
  return o;
}

class EveryPage : public kal::test::LoggedInBrowser {
 protected:
  EveryPage() : LoggedInBrowser(workshop()) {}

  // The page's own links, one a line, then "----", then what the user sees
  // of it that holds an entity, one finding a line.
  std::string look() {
    return browser_.eval(R"js((function () {
      var entity = /.{0,30}&(amp|lt|gt|nbsp|quot|#39);.{0,30}/;
      var found = [];
      function check(where, text) {
        var m = text ? String(text).match(entity) : null;
        if (m) found.push(where + ': ' + m[0]);
      }
      check('text', document.body ? document.body.innerText : '');
      check('title', document.title);
      document.querySelectorAll('input, textarea, button').forEach(function (e) {
        if (e.type !== 'hidden') check('field ' + (e.name || e.tagName), e.value);
      });
      document.querySelectorAll('option').forEach(function (e) { check('option', e.text); });
      document.querySelectorAll('[title]').forEach(function (e) { check('tooltip', e.title); });
      var links = Array.prototype.map.call(document.querySelectorAll('a[href]'), function (a) { return a.href; });
      return links.join('\n') + '\n----\n' + found.join('\n');
    })())js");
  }

  // What a page is, for visiting each once: its page id and action ("n_8=l"),
  // or its file when it names none.  "" for addresses not to visit: other
  // hosts, files that are no pages, the log-out and the stop.
  std::string key_of(const std::string& url) const {
    if (url.rfind(base_, 0) != 0) return "";
    const std::string rest = url.substr(base_.size());
    const std::string file = rest.substr(0, rest.find('?'));
    static const std::regex no_page(R"((\.(pdf|csv|txt|php|js|css|jpg|png|gif|ico)$)|^(wyloguj|stop))",
                                    std::regex::icase);
    if (std::regex_search(file, no_page)) return "";
    std::smatch m;
    static const std::regex action(R"([?&](n_[0-9]+=[^&#]*))");
    return std::regex_search(rest, m, action) ? std::string(m[1]) : file;
  }
};

TEST_F(EveryPage, ShowsNoEntityAsText) {
  std::deque<std::string> queue;
  // The list and the new-record form of every page, then whatever they link to.
  for (int i = 0; i < MGS_PAGE_cross_count; ++i)
    for (const char* action : {"l", "n"})
      queue.push_back(url("p.htm?n_" + std::to_string(MGS_PAGE_cross_tbl[i].id) + "=" + action));
  std::set<std::string> seen;
  std::string findings;
  int visited = 0;
  while (!queue.empty() && visited < 600) {
    const std::string address = queue.front();
    queue.pop_front();
    const std::string key = key_of(address);
    if (key.empty() || !seen.insert(key).second) continue;
    ++visited;
    if (!browser_.open(address)) {
      ADD_FAILURE() << "the page did not load: " << address;
      continue;
    }
    const std::string seen_here = look();
    const std::size_t split = seen_here.find("\n----\n");
    ASSERT_NE(split, std::string::npos) << address << "\n" << seen_here;
    std::size_t at = 0;
    const std::string links = seen_here.substr(0, split + 1);
    for (std::size_t eol; (eol = links.find('\n', at)) != std::string::npos; at = eol + 1)
      if (eol > at) queue.push_back(links.substr(at, eol - at));
    const std::string found = seen_here.substr(split + 6);
    if (!found.empty()) findings += key + " (" + address.substr(base_.size()) + "):\n" + found + "\n";
  }
  EXPECT_EQ(findings, "");
  // The crawl reached the pages of every part of the program.
  for (const char* page : {"n_6=l", "n_8=l", "n_19=e", "n_23=n", "n_31=e", "n_211=l", "n_233=l"})
    EXPECT_TRUE(seen.count(page)) << page;
  std::string all;
  for (const std::string& k : seen) all += k + " ";
  std::printf("visited %d pages: %s\n", visited, all.c_str());
}

}  // namespace
