"""The agent tasks: question, independently established answer, and the
calls a careful agent makes with the plain shell and with zub.

Criteria are checked against everything the sequence has read so far:
  S("text")           the literal text appears
  R(r"regex")         the regex (multi-line mode) matches
  L(line, "name")     one output line holds the number `line` and, after it,
                      the identifier `name` (a listing with line numbers)
  Part("dir", B, N)   one output line names the directory `dir` (as a whole
                      path component at the end) with a size within 25% of
                      B bytes (a bare number may be bytes or KB; K/M/G
                      suffixes are 1024-based; up to 2.5x B allows for the
                      disk usage of small files) or a file count within 10% of N

Each task's oracle is the independent command whose output holds every
criterion (run.py oracle checks that it does): universal-ctags with
--fields=+ne for definitions and their ends, git for repository state,
du and find for sizes, grep and sed for uses and text.
"""
import os
import re

BENCH = os.environ.get("ZUB_BENCH_DIR", "/var/tmp/zub-bench")
AG = os.path.join(BENCH, "agent")
K = os.path.join(BENCH, "linux-source-6.1")
PY = "/usr/lib/python3.11"
GO = "/usr/share/go-1.19/src"
GT = "/usr/src/googletest"
JV = os.path.join(AG, "java")
EXPRESS = os.path.join(AG, "npm", "express", "package")
AXIOS = os.path.join(AG, "npm", "axios", "package")
REPO = os.path.join(AG, "repo-axios")

# What a failed zub call looks like today: an unknown flag, a path it could
# not open, a definition it did not find, a usage text.
# What makes an agent ask again: lines over the per-file cap, repeated lines
# folded without their numbers.
CAPPED = r"\d+ capped"
LOST = r"dup-collapsed|\d+ capped"

FAIL_RE = re.compile(r"모르는 플래그|No such file|못 찾았다|ROOT 가 없다|^zub \w+ \[|사용법|없는 파일", re.M)

# ctags' fixed output for the oracles: name kind file:line-end scope
CT = "ctags -x --fields=+ne --_xformat='%N %K %F:%n-%{end} %s'"


class Try:
    """One habitual call and the retries an agent makes when it fails."""

    def __init__(self, *attempts, ok_exit=(0,)):
        self.attempts = attempts
        self.ok_exit = ok_exit

    def failed(self, rc, text):
        return rc not in self.ok_exit or bool(FAIL_RE.search(text))


class When:
    """A call an agent makes only when the previous output says it must
    (a listing that says lines were capped or folded)."""

    def __init__(self, pattern, cmd):
        self.rx = re.compile(pattern, re.M)
        self.cmd = cmd


class S:
    def __init__(self, text):
        self.text = text

    def ok(self, out):
        return self.text in out

    def __repr__(self):
        return f"S({self.text!r})"


class R:
    def __init__(self, rx):
        self.rx = re.compile(rx, re.M)

    def ok(self, out):
        return bool(self.rx.search(out))

    def __repr__(self):
        return f"R({self.rx.pattern!r})"


class L(R):
    def __init__(self, line, name):
        super().__init__(rf"^(?:.*\D)?{line}\D.*\b{re.escape(name)}\b")
        self.desc = f"L({line}, {name!r})"

    def __repr__(self):
        return self.desc


_NUM = re.compile(r"(?<![\w.])(\d+(?:\.\d+)?)\s?([KMG]i?B?|B)?(?![\w.])")


class Part:
    def __init__(self, name, nbytes, nfiles):
        self.name, self.nbytes, self.nfiles = name, nbytes, nfiles
        self.line_rx = re.compile(rf"(?:^|[\s/])(?:\./)?{re.escape(name)}/?\s*$|(?:^|[\s/])(?:\./)?{re.escape(name)}/?\s")

    def _fits(self, num, suffix):
        v = float(num)
        if suffix:
            mult = {"K": 1024, "M": 1024 ** 2, "G": 1024 ** 3, "B": 1}[suffix[0]]
            cands = [v * mult]
        else:
            cands = [v, v * 1024]
            if 0.9 * self.nfiles <= v <= 1.1 * self.nfiles:
                return True
        return any(0.75 * self.nbytes <= c <= 2.5 * self.nbytes for c in cands)

    def ok(self, out):
        for line in out.splitlines():
            if not self.line_rx.search(line):
                continue
            # the name itself may hold digits (ipv4): drop it before reading numbers
            rest = line.replace(self.name, " ")
            if any(self._fits(n, s) for n, s in _NUM.findall(rest)):
                return True
        return False

    def __repr__(self):
        return f"Part({self.name!r}, {self.nbytes}, {self.nfiles})"


class Site:
    """A hit at `line` of `path`: grep's `path:line:` or `path-line-`, or a
    line `line` followed by `:`, `>`, `|` or `-` in the section under a
    header that ends with `path` (zub's listings), also as one number of a
    folded line's list (`12,40,77| text`). path None: any file."""

    def __init__(self, path, line):
        self.path, self.line = path, line
        num = rf"^\s*(?:\d+,)*{line}[,:>|\-]"
        self.num_rx = re.compile(num, re.M)
        if path:
            p = re.escape(path)
            self.flat_rx = re.compile(rf"(?:^|[\s/]){p}[:\-]{line}[:\-]", re.M)
            self.head_rx = re.compile(rf"^.*(?:^|[\s/]){p}(?:\s*$|\s+\()", re.M)

    def ok(self, out):
        if not self.path:
            return bool(self.num_rx.search(out))
        if self.flat_rx.search(out):
            return True
        for m in self.head_rx.finditer(out):
            rest = out[m.end():]
            nxt = re.search(r"^(──|== )", rest, re.M)
            if self.num_rx.search(rest[:nxt.start()] if nxt else rest):
                return True
        return False

    def __repr__(self):
        return f"Site({self.path!r}, {self.line})"


class FL(Site):
    """Site whose numbered line also names the definition `name`."""

    def __init__(self, path, line, name):
        super().__init__(path, line)
        n = re.escape(name)
        self.num_rx = re.compile(rf"^\s*(?:\d+,)*{line}[,:>|\-].*\b{n}\b", re.M)
        self.flat_rx = re.compile(rf"(?:^|[\s/]){re.escape(path)}:{line}:.*\b{n}\b", re.M)
        self.name = name

    def __repr__(self):
        return f"FL({self.path!r}, {self.line}, {self.name!r})"


class Task:
    def __init__(self, id, family, cwd, question, answer, oracle, shell, zub, after=None, needs=()):
        self.id, self.family, self.cwd, self.question = id, family, cwd, question
        self.answer, self.oracle, self.shell, self.zub = answer, oracle, shell, zub
        self.after, self.needs = after, list(needs)

    def zub_variants(self):
        v = {"today": self.zub}
        if self.after is not None:
            v["after"] = (self.after, self.needs)
        return v

    def missing(self, out):
        return [c for c in self.answer if not c.ok(out)]

    def solved(self, out):
        return not self.missing(out)


def sed(path, a, b):
    return f"sed -n {a},{b}p {path}"


TASKS = []


def task(*a, **kw):
    TASKS.append(Task(*a, **kw))


# ---------------------------------------------------------------- def
# Where is X defined and what does it do: the definition's place and its
# body to the end (ctags' end line).

task("def-c-kmalloc", "def", K,
     "Where is kmalloc_slab defined and what does it do?",
     [S("mm/slab_common.c:700"), S("return kmalloc_caches[kmalloc_type(flags)][index];")],
     f"{CT} mm/slab_common.c | grep '^kmalloc_slab '; sed -n 715p mm/slab_common.c",
     shell=["grep -rn --include=*.c --include=*.h 'kmalloc_slab(' mm include/linux",
            sed("mm/slab_common.c", 700, 750)],
     zub=["zub def kmalloc_slab mm"])

task("def-py-request", "def", PY,
     "Where is HTTPConnection.request defined and what does it do?",
     [S("http/client.py:1308"), S("self._send_request(method, url, body, headers, encode_chunked)")],
     f"{CT} http/client.py | grep '^request '; sed -n 1311p http/client.py",
     shell=["grep -rn 'def request(' http/",
            sed("http/client.py", 1308, 1340)],
     # the block of a def whose parameters span two lines ends at its first line
     zub=[Try("zub def HTTPConnection.request http", "zub def request http"),
          "zub read http/client.py 1308-1340"])

task("def-go-handle", "def", GO,
     "Where is (*ServeMux).Handle defined in net/http and what does it do?",
     [S("net/http/server.go:2492"), S("mux.hosts = true")],
     f"{CT} net/http/server.go | grep '^Handle .*ServeMux'; sed -n 2516p net/http/server.go",
     shell=["grep -rn 'func (mux \\*ServeMux) Handle(' net/http",
            sed("net/http/server.go", 2492, 2540)],
     zub=[Try("zub def ServeMux.Handle net/http", "zub def Handle net/http")])

task("def-java-addfirst", "def", JV,
     "Where is ArrayDeque.addFirst defined and what does it do?",
     [L(284, "addFirst"), S("es[head = dec(head, es.length)] = e;")],
     "ctags -x --_xformat='%n %N' java.base/java/util/ArrayDeque.java | grep ' addFirst$';"
     " sed -n 288p java.base/java/util/ArrayDeque.java",
     shell=["grep -n 'addFirst(' java.base/java/util/ArrayDeque.java",
            sed("java.base/java/util/ArrayDeque.java", 284, 320)],
     zub=[Try("zub def ArrayDeque.addFirst java.base/java/util",
              "zub def addFirst java.base/java/util/ArrayDeque.java")])

task("def-cpp-run", "def", GT,
     "Where is UnitTest::Run defined and what does it do?",
     [S("googletest/src/gtest.cc:5367"), S("&internal::UnitTestImpl::RunAllTests")],
     f"{CT} googletest/src/gtest.cc | grep '^Run .*UnitTest$'; sed -n 5445p googletest/src/gtest.cc",
     shell=["grep -rn 'UnitTest::Run(' googletest/src",
            sed("googletest/src/gtest.cc", 5367, 5420),
            sed("googletest/src/gtest.cc", 5421, 5470)],
     zub=["zub def UnitTest::Run googletest/src"])

task("def-js-sendfile", "def", EXPRESS,
     "Where is res.sendFile defined in express and what does it do?",
     [S("lib/response.js:419"), S("if (err && err.code === 'EISDIR') return next();")],
     f"{CT} lib/response.js | grep '^sendFile '; sed -n 451p lib/response.js",
     shell=["grep -rn 'sendFile = function' lib",
            sed("lib/response.js", 419, 470)],
     zub=["zub def sendFile lib"])


# ---------------------------------------------------------------- answers
# Generated once from the oracles named at each task, then kept as data.
CTAGS_COOKIEJAR = [L(1004, "set_ok_path"), L(1015, "set_ok_domain"), L(1075, "set_ok_port"), L(1096, "return_ok"), L(1114, "return_ok_version"), L(1123, "return_ok_verifiability"), L(113, "time2netscape"), L(1135, "return_ok_secure"), L(1141, "return_ok_expires"), L(1147, "return_ok_port"), L(1161, "return_ok_domain"), L(1188, "domain_return_ok"), L(1214, "path_return_ok"), L(1227, "deepvalues"), L(1244, "Absent"), L(1246, "CookieJar"), L(1261, "__init__"), L(1269, "set_policy"), L(1272, "_cookies_for_domain"), L(1290, "_cookies_for_request"), L(1297, "_cookie_attrs"), L(1356, "add_cookie_header"), L(136, "offset_from_tz_string"), L(1389, "_normalized_cookie_tuples"), L(1486, "_cookie_from_cookie_tuple"), L(150, "_str2time"), L(1578, "_cookies_from_attrs_set"), L(1587, "_process_rfc2109_cookies"), L(1599, "make_cookies"), L(1644, "no_matching_rfc2965"), L(1654, "set_cookie_if_ok"), L(1667, "set_cookie"), L(1680, "extract_cookies"), L(1692, "clear"), L(1719, "clear_session_cookies"), L(1734, "clear_expired_cookies"), L(1753, "__iter__"), L(1756, "__len__"), L(1762, "__repr__"), L(1767, "__str__"), L(1774, "LoadError"), L(1776, "FileCookieJar"), L(1779, "__init__"), L(1791, "save"), L(1795, "load"), L(1804, "revert"), L(1831, "lwp_cookie_str"), L(1859, "LWPCookieJar"), L(1872, "as_lwp_str"), L(1888, "save"), L(1903, "_really_load"), L(1982, "MozillaCookieJar"), L(2014, "_really_load"), L(2087, "save"), L(232, "http2time"), L(306, "iso2time"), L(339, "unmatched"), L(348, "split_header_words"), L(434, "join_header_words"), L(44, "_debug"), L(459, "strip_quotes"), L(466, "parse_ns_headers"), L(535, "is_HDN"), L(550, "domain_match"), L(589, "liberal_is_HDN"), L(599, "user_domain_match"), L(620, "request_host"), L(636, "eff_request_host"), L(647, "request_path"), L(657, "request_port"), L(66, "_warn_unhandled_exception"), L(675, "uppercase_escaped_char"), L(677, "escape_path"), L(691, "reach"), L(726, "is_third_party"), L(743, "Cookie"), L(761, "__init__"), L(803, "has_nonstandard_attr"), L(805, "get_nonstandard_attr"), L(807, "set_nonstandard_attr"), L(81, "_timegm"), L(810, "is_expired"), L(816, "__str__"), L(826, "__repr__"), L(841, "CookiePolicy"), L(850, "set_ok"), L(859, "return_ok"), L(863, "domain_return_ok"), L(868, "path_return_ok"), L(874, "DefaultCookiePolicy"), L(884, "__init__"), L(919, "blocked_domains"), L(922, "set_blocked_domains"), L(926, "is_blocked"), L(932, "allowed_domains"), L(935, "set_allowed_domains"), L(94, "time2isoz"), L(941, "is_not_allowed"), L(949, "set_ok"), L(968, "set_ok_version"), L(983, "set_ok_verifiability"), L(995, "set_ok_name")]
CTAGS_ARRAYDEQUE = [L(1002, "contains"), L(1029, "remove"), L(1037, "clear"), L(1069, "toArray"), L(1127, "toArray"), L(1149, "clone"), L(181, "ArrayDeque"), L(191, "ArrayDeque"), L(208, "ArrayDeque"), L(284, "addFirst"), L(301, "addLast"), L(320, "addAll"), L(339, "offerFirst"), L(351, "offerLast"), L(359, "removeFirst"), L(369, "removeLast"), L(376, "pollFirst"), L(387, "pollLast"), L(399, "getFirst"), L(409, "getLast"), L(417, "peekFirst"), L(421, "peekLast"), L(438, "removeFirstOccurrence"), L(466, "removeLastOccurrence"), L(493, "add"), L(507, "offer"), L(522, "remove"), L(536, "poll"), L(550, "element"), L(563, "peek"), L(578, "push"), L(592, "pop"), L(648, "size"), L(657, "isEmpty"), L(669, "iterator"), L(673, "descendingIterator"), L(692, "hasNext"), L(696, "next"), L(711, "remove"), L(718, "forEachRemaining"), L(744, "next"), L(759, "forEachRemaining"), L(796, "spliterator"), L(827, "trySplit"), L(835, "forEachRemaining"), L(854, "tryAdvance"), L(867, "estimateSize"), L(871, "characteristics"), L(882, "forEach"), L(899, "removeIf"), L(907, "removeAll"), L(915, "retainAll")]
CTAGS_COOKIE = [L(168, "SetCookie"), L(178, "String"), L(23, "Cookie"), L(242, "Valid"), L(276, "readCookies"), L(311, "validCookieDomain"), L(322, "validCookieExpires"), L(330, "isCookieDomainName"), L(384, "sanitizeCookieName"), L(401, "sanitizeCookieValue"), L(412, "validCookieValueByte"), L(418, "sanitizeCookiePath"), L(422, "validCookiePathByte"), L(426, "sanitizeOrWarn"), L(448, "parseCookieValue"), L(461, "isCookieNameValid"), L(49, "SameSite"), L(60, "readSetCookies")]
ROUTER_FUNCS_CRIT = [L(136, "handle"), L(338, "process_params"), L(439, "use"), L(46, "router"), L(502, "route"), L(527, "appendMethods"), L(537, "getPathname"), L(546, "getProtohost"), L(563, "gettype"), L(583, "matchLayer"), L(592, "mergeParams"), L(631, "restore"), L(651, "sendOptionsResponse"), L(662, "wrap"), L(97, "param")]
CTAGS_HTTPTEST = [FL("net/http/httptest/example_test.go", 15, "ExampleResponseRecorder"), FL("net/http/httptest/example_test.go", 37, "ExampleServer"), FL("net/http/httptest/example_test.go", 57, "ExampleServer_hTTP2"), FL("net/http/httptest/example_test.go", 79, "ExampleNewTLSServer"), FL("net/http/httptest/httptest.go", 40, "NewRequest"), FL("net/http/httptest/httptest_test.go", 17, "TestNewRequest"), FL("net/http/httptest/recorder.go", 107, "Write"), FL("net/http/httptest/recorder.go", 117, "WriteString"), FL("net/http/httptest/recorder.go", 125, "checkWriteHeaderCode"), FL("net/http/httptest/recorder.go", 143, "WriteHeader"), FL("net/http/httptest/recorder.go", 159, "Flush"), FL("net/http/httptest/recorder.go", 181, "Result"), FL("net/http/httptest/recorder.go", 245, "parseContentLength"), FL("net/http/httptest/recorder.go", 51, "NewRecorder"), FL("net/http/httptest/recorder.go", 67, "Header"), FL("net/http/httptest/recorder.go", 83, "writeHeader"), FL("net/http/httptest/recorder_test.go", 14, "TestRecorder"), FL("net/http/httptest/recorder_test.go", 313, "TestParseContentLength"), FL("net/http/httptest/recorder_test.go", 350, "TestRecorderPanicsOnNonXXXStatusCode"), FL("net/http/httptest/server.go", 105, "NewServer"), FL("net/http/httptest/server.go", 117, "NewUnstartedServer"), FL("net/http/httptest/server.go", 125, "Start"), FL("net/http/httptest/server.go", 142, "StartTLS"), FL("net/http/httptest/server.go", 190, "NewTLSServer"), FL("net/http/httptest/server.go", 202, "Close"), FL("net/http/httptest/server.go", 254, "logCloseHangDebugInfo"), FL("net/http/httptest/server.go", 266, "CloseClientConnections"), FL("net/http/httptest/server.go", 295, "Certificate"), FL("net/http/httptest/server.go", 302, "Client"), FL("net/http/httptest/server.go", 306, "goServe"), FL("net/http/httptest/server.go", 316, "wrap"), FL("net/http/httptest/server.go", 376, "closeConn"), FL("net/http/httptest/server.go", 380, "closeConnChan"), FL("net/http/httptest/server.go", 60, "newLocalListener"), FL("net/http/httptest/server.go", 88, "init"), FL("net/http/httptest/server.go", 94, "strSliceContainsPrefix"), FL("net/http/httptest/server_test.go", 102, "testServerCloseBlocking"), FL("net/http/httptest/server_test.go", 131, "testServerCloseClientConnections"), FL("net/http/httptest/server_test.go", 146, "testServerClient"), FL("net/http/httptest/server_test.go", 168, "testServerClientTransportType"), FL("net/http/httptest/server_test.go", 180, "testTLSServerClientTransportType"), FL("net/http/httptest/server_test.go", 194, "Close"), FL("net/http/httptest/server_test.go", 198, "TestServerZeroValueClose"), FL("net/http/httptest/server_test.go", 209, "TestCloseHijackedConnection"), FL("net/http/httptest/server_test.go", 260, "TestTLSServerWithHTTP2"), FL("net/http/httptest/server_test.go", 36, "TestServer"), FL("net/http/httptest/server_test.go", 56, "testServer"), FL("net/http/httptest/server_test.go", 76, "testGetAfterClose")]
CALL_EXT4 = [Site("fs/ext4/extents.c", 1296), Site("fs/ext4/extents.c", 1898), Site("fs/ext4/extents.c", 2327), Site("fs/ext4/extents.c", 2430), Site("fs/ext4/extents.c", 2497), Site("fs/ext4/extents.c", 2523), Site("fs/ext4/extents.c", 2541), Site("fs/ext4/extents.c", 2551), Site("fs/ext4/extents.c", 2771), Site("fs/ext4/extents.c", 3040), Site("fs/ext4/extents.c", 4403), Site("fs/ext4/mballoc.c", 5996), Site("fs/ext4/mballoc.c", 6113), Site("fs/ext4/mballoc.c", 6200), Site("fs/ext4/mballoc.c", 6241), Site("fs/ext4/indirect.c", 393), Site("fs/ext4/indirect.c", 407), Site("fs/ext4/indirect.c", 493), Site("fs/ext4/indirect.c", 496), Site("fs/ext4/indirect.c", 895), Site("fs/ext4/indirect.c", 1090), Site("fs/ext4/migrate.c", 202), Site("fs/ext4/migrate.c", 213), Site("fs/ext4/migrate.c", 247), Site("fs/ext4/migrate.c", 264), Site("fs/ext4/migrate.c", 381), Site("fs/ext4/xattr.c", 1266), Site("fs/ext4/xattr.c", 2081), Site("fs/ext4/resize.c", 1980)]
CALL_CHECKCLOSED = [Site("asyncio/selector_events.py", 262), Site("asyncio/selector_events.py", 299), Site("asyncio/base_events.py", 434), Site("asyncio/base_events.py", 595), Site("asyncio/base_events.py", 628), Site("asyncio/base_events.py", 740), Site("asyncio/base_events.py", 761), Site("asyncio/base_events.py", 806), Site("asyncio/base_events.py", 816), Site("asyncio/windows_events.py", 714), Site("asyncio/windows_events.py", 758), Site("asyncio/windows_events.py", 796), Site("asyncio/unix_events.py", 99)]
CALL_BADSTRING = [Site("net/http/response.go", 170), Site("net/http/response.go", 177), Site("net/http/response.go", 181), Site("net/http/response.go", 184), Site("net/http/transport.go", 551), Site("net/http/request.go", 1049), Site("net/http/request.go", 1052), Site("net/http/request.go", 1056), Site("net/http/transfer_test.go", 341), Site("net/http/transfer_test.go", 345), Site("net/http/transfer_test.go", 354), Site("net/http/transfer.go", 315), Site("net/http/transfer.go", 786), Site("net/http/transfer.go", 1050)]
CALL_NEWLENGTH = [Site("java.base/java/util/Vector.java", 258), Site("java.base/java/util/concurrent/PriorityBlockingQueue.java", 296), Site("java.base/java/util/AbstractCollection.java", 224), Site("java.base/java/util/PriorityQueue.java", 294), Site("java.base/java/util/ArrayList.java", 234), Site("java.base/java/util/regex/Pattern.java", 2355), Site("java.base/java/util/Properties.java", 576)]
CALL_DEPRECATE = [Site("lib/response.js", 69), Site("lib/response.js", 124), Site("lib/response.js", 127), Site("lib/response.js", 140), Site("lib/response.js", 257), Site("lib/response.js", 260), Site("lib/response.js", 300), Site("lib/response.js", 303), Site("lib/response.js", 827), Site("lib/response.js", 830), Site("lib/response.js", 919), Site("lib/response.js", 957), Site("lib/response.js", 1004), Site("lib/router/index.js", 100), Site("lib/router/index.js", 111), Site("lib/request.js", 243)]
TODO_MM = [Site("mm/filemap.c", 53), Site("mm/hugetlb_cgroup.c", 152), Site("mm/damon/sysfs.c", 1967), Site("mm/damon/sysfs.c", 2464), Site("mm/damon/sysfs.c", 2537), Site("mm/page_owner.c", 19), Site("mm/khugepaged.c", 2156), Site("mm/khugepaged.c", 2192), Site("mm/mempolicy.c", 24), Site("mm/mempool.c", 453), Site("mm/slab.c", 3511), Site("mm/slab.c", 3648), Site("mm/sparse.c", 620), Site("mm/mmap.c", 2832), Site("mm/migrate_device.c", 172), Site("mm/migrate_device.c", 342), Site("mm/swap_cgroup.c", 33), Site("mm/memory_hotplug.c", 715), Site("mm/memory_hotplug.c", 792), Site("mm/memory_hotplug.c", 1201), Site("mm/memory_hotplug.c", 1301), Site("mm/memory_hotplug.c", 1890), Site("mm/memory.c", 4818), Site("mm/memory.c", 5118), Site("mm/swap_state.c", 191), Site("mm/vmpressure.c", 35), Site("mm/memcontrol.c", 3576), Site("mm/memcontrol.c", 6892), Site("mm/percpu.c", 3337), Site("mm/huge_memory.c", 1281), Site("mm/huge_memory.c", 2128), Site("mm/gup.c", 2362), Site("mm/gup.c", 2972), Site("mm/page_isolation.c", 168), Site("mm/balloon_compaction.c", 167), Site("mm/memory-failure.c", 315), Site("mm/memory-failure.c", 1629)]
TODO_ASYNCIO = [Site("asyncio/staggered.py", 74), Site("asyncio/proactor_events.py", 160), Site("asyncio/proactor_events.py", 378), Site("asyncio/windows_events.py", 753)]
TODO_HTTP = [Site("net/http/clientserver_test.go", 1489), Site("net/http/fcgi/child.go", 242), Site("net/http/fcgi/child.go", 312), Site("net/http/transport_test.go", 50), Site("net/http/transport_test.go", 869), Site("net/http/transport_test.go", 4634), Site("net/http/client_test.go", 859), Site("net/http/client_test.go", 1862), Site("net/http/cookie_test.go", 356), Site("net/http/cookiejar/jar_test.go", 138), Site("net/http/cookiejar/jar.go", 38), Site("net/http/h2_bundle.go", 761), Site("net/http/h2_bundle.go", 765), Site("net/http/h2_bundle.go", 766), Site("net/http/h2_bundle.go", 784), Site("net/http/h2_bundle.go", 970), Site("net/http/h2_bundle.go", 1039), Site("net/http/h2_bundle.go", 1610), Site("net/http/h2_bundle.go", 1616), Site("net/http/h2_bundle.go", 1647), Site("net/http/h2_bundle.go", 3470), Site("net/http/h2_bundle.go", 3777), Site("net/http/h2_bundle.go", 3809), Site("net/http/h2_bundle.go", 3896), Site("net/http/h2_bundle.go", 4164), Site("net/http/h2_bundle.go", 4376), Site("net/http/h2_bundle.go", 4392), Site("net/http/h2_bundle.go", 4400), Site("net/http/h2_bundle.go", 4717), Site("net/http/h2_bundle.go", 4944), Site("net/http/h2_bundle.go", 5055), Site("net/http/h2_bundle.go", 5102), Site("net/http/h2_bundle.go", 5107), Site("net/http/h2_bundle.go", 5311), Site("net/http/h2_bundle.go", 5667), Site("net/http/h2_bundle.go", 6103), Site("net/http/h2_bundle.go", 6189), Site("net/http/h2_bundle.go", 6200), Site("net/http/h2_bundle.go", 6473), Site("net/http/h2_bundle.go", 7132), Site("net/http/h2_bundle.go", 7431), Site("net/http/h2_bundle.go", 7446), Site("net/http/h2_bundle.go", 7690), Site("net/http/h2_bundle.go", 8006), Site("net/http/h2_bundle.go", 8168), Site("net/http/h2_bundle.go", 8383), Site("net/http/h2_bundle.go", 8810), Site("net/http/h2_bundle.go", 8951), Site("net/http/h2_bundle.go", 9078), Site("net/http/h2_bundle.go", 9082), Site("net/http/h2_bundle.go", 9129), Site("net/http/h2_bundle.go", 9228), Site("net/http/h2_bundle.go", 9269), Site("net/http/h2_bundle.go", 9368), Site("net/http/h2_bundle.go", 9412), Site("net/http/h2_bundle.go", 9483), Site("net/http/h2_bundle.go", 9530), Site("net/http/h2_bundle.go", 9624), Site("net/http/h2_bundle.go", 9827), Site("net/http/h2_bundle.go", 9994), Site("net/http/h2_bundle.go", 10059), Site("net/http/h2_bundle.go", 10154), Site("net/http/h2_bundle.go", 10158), Site("net/http/h2_bundle.go", 10359), Site("net/http/pprof/pprof.go", 290), Site("net/http/transport.go", 410), Site("net/http/transport.go", 2518), Site("net/http/httputil/dump.go", 158), Site("net/http/response_test.go", 53), Site("net/http/response_test.go", 400), Site("net/http/http.go", 37), Site("net/http/cgi/host_test.go", 101), Site("net/http/cgi/host.go", 369), Site("net/http/cgi/host.go", 404), Site("net/http/socks_bundle.go", 456), Site("net/http/server.go", 486), Site("net/http/server.go", 1365), Site("net/http/server.go", 1446), Site("net/http/server.go", 1588), Site("net/http/server.go", 2026), Site("net/http/server.go", 3223), Site("net/http/proxy_test.go", 13), Site("net/http/request.go", 600), Site("net/http/request.go", 721), Site("net/http/request.go", 1249), Site("net/http/serve_test.go", 1949), Site("net/http/serve_test.go", 1978), Site("net/http/serve_test.go", 4403), Site("net/http/transfer.go", 321), Site("net/http/internal/chunked.go", 173), Site("net/http/sniff.go", 188), Site("net/http/roundtrip_js.go", 96)]
TODO_JUTIL = [Site("java.base/java/util/Vector.java", 1383), Site("java.base/java/util/concurrent/ThreadPoolExecutor.java", 620), Site("java.base/java/util/concurrent/ForkJoinWorkerThread.java", 92), Site("java.base/java/util/concurrent/ScheduledThreadPoolExecutor.java", 378), Site("java.base/java/util/concurrent/ConcurrentLinkedDeque.java", 458), Site("java.base/java/util/concurrent/ConcurrentLinkedDeque.java", 686), Site("java.base/java/util/concurrent/CopyOnWriteArrayList.java", 601), Site("java.base/java/util/concurrent/ForkJoinTask.java", 1546), Site("java.base/java/util/SimpleTimeZone.java", 439), Site("java.base/java/util/SimpleTimeZone.java", 693), Site("java.base/java/util/SimpleTimeZone.java", 700), Site("java.base/java/util/ArrayList.java", 1703), Site("java.base/java/util/Locale.java", 354), Site("java.base/java/util/jar/Manifest.java", 350), Site("java.base/java/util/jar/Attributes.java", 305), Site("java.base/java/util/jar/Attributes.java", 324), Site("java.base/java/util/HexFormat.java", 43), Site("java.base/java/util/JapaneseImperialCalendar.java", 76), Site("java.base/java/util/JapaneseImperialCalendar.java", 78), Site("java.base/java/util/JapaneseImperialCalendar.java", 900), Site("java.base/java/util/JapaneseImperialCalendar.java", 1308), Site("java.base/java/util/JapaneseImperialCalendar.java", 1334), Site("java.base/java/util/stream/DistinctOps.java", 94)]
CTX_MODCOUNT = [Site(None, 200), S('elementData = (size == 0)'), Site(None, 219), Site(None, 466), S('return true;'), Site(None, 482), S('Object[] elementData;'), Site(None, 638), S('if ((newSize = size - 1) > i)'), Site(None, 650), S('for (int to = size, i = size = 0; i < to; i++)'), Site(None, 671), S('if (numNew == 0)'), Site(None, 703), Site(None, 740), Site(None, 1686), S('for (i = beg; i < end; i++)'), Site(None, 1704), Site(None, 1724)]
CTX_SERVERCLOSED = [Site(None, 2771), S('// Shutdown does not attempt to close nor wait for hijacked'), Site(None, 2781), Site(None, 2989), S('if addr == "" {'), Site(None, 3054), Site(None, 3074), S('if ne, ok := err.(net.Error); ok && ne.Temporary() {'), Site(None, 3285)]
CTX_WARN = [Site("asyncio/base_events.py", 532), S('f"loop.shutdown_asyncgens() call",'), Site("asyncio/unix_events.py", 74), S('f"stage, skipping signal handlers removal",'), Site("asyncio/unix_events.py", 932), S("'from a child watcher with pending handlers',"), Site("asyncio/unix_events.py", 1002), Site("asyncio/sslproto.py", 119), S('"object>", ResourceWarning)'), Site("asyncio/tasks.py", 70), S('"task implementations since 3.13.",')]
CTX_MEMPOOL = [Site("fs/smb/server/transport_rdma.c", 446), S('return ERR_PTR(-ENOMEM);'), Site("fs/smb/server/transport_rdma.c", 1845), S('goto err;'), Site("fs/smb/client/transport.c", 54), S('kref_init(&temp->refcount);'), Site("fs/smb/client/smb2transport.c", 786), Site("fs/smb/client/smbdirect.c", 719), S('return rc;'), Site("fs/smb/client/smbdirect.c", 906), S('rc = -ENOMEM;'), Site("fs/smb/client/smbdirect.c", 1295), S('goto allocate_failed;'), Site("fs/smb/client/misc.c", 183), S('/* clear the first few header bytes */'), Site("fs/smb/client/misc.c", 218), S('/*\tmemset(ret_buf, 0, sizeof(struct smb_hdr) + 27);*/')]
READ_MEMPOOL = [S('/* SPDX-License-Identifier: GPL-2.0 */'), S('} mempool_t;'), S('extern void mempool_free(void *element, mempool_t *pool);'), S('void *mempool_alloc(mempool_t *pool, gfp_t gfp_mask)'), S('* We use gfp mask w/o direct reclaim or IO for the first round.  If'), S('* this function only sleeps if the free_fn() function sleeps.')]
READ_JSON = [S('def py_scanstring(s, end, strict=True,'), S('#msg = "Invalid control character %r at" % (terminator,)'), S("WHITESPACE_STR = ' \\t\\n\\r'"), S('"""JSON token scanner'), S('parse_array = context.parse_array'), S('nextchar = string[idx]')]
READ_MUX = [S('func (mux *ServeMux) ServeHTTP(w ResponseWriter, r *Request) {'), S('w.Header().Set("Connection", "close")'), S('h.ServeHTTP(w, r)'), S('func (mux *ServeMux) Handle(pattern string, handler Handler) {'), S('panic("http: multiple registrations for " + pattern)'), S('mux.hosts = true')]
READ_GROW = [S('* Increases the capacity to ensure that it can hold at least the'), S('int newCapacity = ArraysSupport.newLength(oldCapacity,'), S('return grow(size + 1);'), S('minCapacity - oldCapacity, /* minimum growth */'), S('* Sets the size of this vector. If the new size is greater than the')]
MEMPOOL_FUNCS = [(24, "poison_error"), (41, "__check_element"), (57, "check_element"), (82, "__poison_element"),
                 (90, "poison_element"), (115, "check_element"), (118, "poison_element"), (123, "kasan_poison_element"),
                 (132, "kasan_unpoison_element"), (141, "add_element"), (149, "remove_element"), (170, "mempool_exit"),
                 (189, "mempool_destroy"), (199, "mempool_init_node"), (247, "mempool_init"), (272, "mempool_create"),
                 (280, "mempool_create_node"), (318, "mempool_resize"), (394, "mempool_alloc"), (471, "mempool_free"),
                 (528, "mempool_alloc_slab"), (536, "mempool_free_slab"), (547, "mempool_kmalloc"),
                 (554, "mempool_kfree"), (564, "mempool_alloc_pages"), (571, "mempool_free_pages")]

# ---------------------------------------------------------------- outline
# List the functions of a file: every definition ctags reports (of the
# kinds named in the oracle), each with its line number.

task("outline-c-mempool", "outline", K,
     "What functions does mm/mempool.c define (with lines)?",
     [L(n, f) for n, f in MEMPOOL_FUNCS],
     "ctags -x --kinds-C=f --_xformat='%n %N' mm/mempool.c",
     shell=["grep -nE '^[a-z].*\\(' mm/mempool.c"],
     zub=["zub outline mm/mempool.c"])

task("outline-py-cookiejar", "outline", PY,
     "What classes and methods does http/cookiejar.py define (with lines)?",
     CTAGS_COOKIEJAR,
     "ctags -x --kinds-Python=cfm --_xformat='%n %N' http/cookiejar.py",
     shell=["grep -nE '^\\s*(def|class) ' http/cookiejar.py"],
     zub=["zub outline http/cookiejar.py"])

task("outline-java-arraydeque", "outline", JV,
     "What is the public API of java.util.ArrayDeque (with lines)?",
     CTAGS_ARRAYDEQUE,
     "ctags -x --fields=+a --kinds-Java=cm --_xformat='%n %N %{access}' java.base/java/util/ArrayDeque.java"
     " | awk '$3==\"public\"'",
     shell=["grep -nE '^\\s+public ' java.base/java/util/ArrayDeque.java"],
     zub=["zub outline java.base/java/util/ArrayDeque.java"])

task("outline-go-cookie", "outline", GO,
     "What types and functions does net/http/cookie.go define (with lines)?",
     CTAGS_COOKIE,
     "ctags -x --kinds-Go=fts --_xformat='%n %N' net/http/cookie.go",
     shell=["grep -nE '^(func|type) ' net/http/cookie.go"],
     zub=["zub outline net/http/cookie.go"])

task("outline-js-router", "outline", EXPRESS,
     "What functions does express's lib/router/index.js define (with lines)?",
     ROUTER_FUNCS_CRIT,
     "ctags -x --kinds-JavaScript=f --_xformat='%n %N %s' lib/router/index.js | grep -v Anonymous"
     " | awk '$3==\"\" || $3==\"proto\"'",
     shell=["grep -nE '^ *(proto\\.[a-z_]+ = )?function [A-Za-z_]+ *\\(' lib/router/index.js"],
     zub=["zub outline lib/router/index.js"])

task("outline-go-dir", "outline", GO,
     "What functions does each file of net/http/httptest define?",
     CTAGS_HTTPTEST,
     "ctags -R -x --kinds-Go=f --_xformat='%F:%n: %N' net/http/httptest",
     shell=["grep -n '^func ' net/http/httptest/*.go"],
     zub=[Try("zub outline net/http/httptest", "zub outline net/http/httptest/*.go")])

# ---------------------------------------------------------------- callers
# Who calls Y: every call site (grep of the call, the definition and
# declarations left out), file and line.

task("callers-c-freeblocks", "callers", K,
     "Who calls ext4_free_blocks in fs/ext4?",
     CALL_EXT4,
     "grep -rn 'ext4_free_blocks(' fs/ext4 | grep -v 'fs/ext4/ext4.h\\|^fs/ext4/mballoc.c:[0-9]*:void ext4_free_blocks'",
     shell=["grep -rn 'ext4_free_blocks(' fs/ext4"],
     zub=[Try("zub grep -rn 'ext4_free_blocks(' fs/ext4", "zub grep 'ext4_free_blocks(' fs/ext4"),
          When(CAPPED, "zub grep -n 40 'ext4_free_blocks(' fs/ext4"), When(LOST, "grep -rn 'ext4_free_blocks(' fs/ext4")])

task("callers-py-checkclosed", "callers", PY,
     "Who calls _check_closed in asyncio?",
     CALL_CHECKCLOSED,
     "grep -rn '_check_closed()' asyncio | grep -v 'def _check'",
     shell=["grep -rn '_check_closed(' asyncio"],
     # folded repeats lose their line numbers: the agent falls back to grep
     zub=["zub grep '_check_closed(' asyncio", When(LOST, "grep -rn '_check_closed(' asyncio")])

task("callers-go-badstring", "callers", GO,
     "Who calls badStringError in net/http?",
     CALL_BADSTRING,
     "grep -rn 'badStringError(' net/http | grep -v 'func badStringError'",
     shell=["grep -rn 'badStringError(' net/http"],
     zub=["zub grep 'badStringError(' net/http", When(LOST, "grep -rn 'badStringError(' net/http")])

task("callers-java-newlength", "callers", JV,
     "Who calls ArraysSupport.newLength in java.util?",
     CALL_NEWLENGTH,
     "grep -rn 'ArraysSupport.newLength(' java.base/java/util",
     shell=["grep -rn --include=*.java 'ArraysSupport.newLength(' java.base/java/util"],
     zub=[Try("zub grep --include=*.java 'ArraysSupport.newLength(' java.base/java/util",
              "zub grep --ext java 'ArraysSupport.newLength(' java.base/java/util")])

task("callers-js-deprecate", "callers", EXPRESS,
     "Where does express call deprecate()?",
     CALL_DEPRECATE,
     "grep -rn 'deprecate(' lib",
     shell=["grep -rn 'deprecate(' lib"],
     zub=["zub grep 'deprecate(' lib", When(CAPPED, "zub grep -n 40 'deprecate(' lib"), When(LOST, "grep -rn 'deprecate(' lib")])

# ---------------------------------------------------------------- overview
# What are the parts of this tree and how big: the largest parts, each with
# a size that adds up everything under it.

task("overview-linux", "overview", K,
     "What are the parts of the Linux tree and how big is each?",
     [Part("drivers", 918428940, 31595), Part("arch", 108855672, 16790), Part("tools", 50063356, 6079),
      Part("Documentation", 44462998, 8869), Part("sound", 43682750, 2639), Part("fs", 42579577, 2078),
      Part("include", 39740591, 5912), Part("net", 33148724, 1887)],
     "for d in drivers arch tools Documentation sound fs include net; do printf '%s %s\\n' \"$(du -sb $d | cut -f1)\" $d; done",
     shell=["du -sh * | sort -rh | head -20"],
     zub=["zub map .", "zub wrap -- du -sh arch block certs crypto Documentation drivers fs include init io_uring"
          " ipc kernel lib mm net rust samples scripts security sound tools usr virt"],
     after=["zub map ."], needs=["map-summed"])

task("overview-go-http", "overview", GO,
     "What are the parts of net/http and how big is each?",
     [Part("httputil", 109215, 7), Part("cookiejar", 63389, 6), Part("cgi", 54732, 8), Part("httptest", 48171, 7),
      Part("fcgi", 31435, 3), Part("pprof", 25652, 2), Part("internal", 32551, 5), Part("httptrace", 14950, 3)],
     "cd net/http && for d in httputil cookiejar cgi httptest fcgi pprof internal httptrace; do"
     " printf '%s %s\\n' \"$(du -sb $d | cut -f1)\" $d; done",
     shell=["du -h --max-depth=1 net/http | sort -rh"],
     zub=["zub map net/http", "zub wrap -- du -h --max-depth=1 net/http"],
     after=["zub map net/http"], needs=["map-summed"])

task("overview-npm-axios", "overview", AXIOS,
     "What are the parts of the axios package and how big is each?",
     [Part("dist", 1832259, 12), Part("lib", 194550, 65)],
     "for d in dist lib; do printf '%s %s\\n' \"$(du -sb $d | cut -f1)\" $d; done",
     shell=["du -sh * | sort -rh"],
     zub=["zub map .", "zub wrap -- du -sh dist lib"],
     after=["zub map ."], needs=["map-summed"])

task("overview-googletest", "overview", GT,
     "What are the parts of googletest and how big is each?",
     [Part("googletest", 2194292, 146), Part("googlemock", 1320834, 57)],
     "for d in googletest googlemock; do printf '%s %s\\n' \"$(du -sb $d | cut -f1)\" $d; done",
     shell=["du -sh * | sort -rh"],
     zub=["zub map .", "zub wrap -- du -sh googletest googlemock"],
     after=["zub map ."], needs=["map-summed"])

# ---------------------------------------------------------------- failure
# What failed in this build or test run: every error with its place in the
# project's own code, every failing test by name.

GT_BUILD = os.path.join(AG, "gtest", "build")
BUILD_ERRORS = [S("sample2.cc:42:29: error: ‘length’ was not declared in this scope"),
                S("error: no match for ‘operator==’ (operand types are ‘const int’ and ‘const Counter’)"),
                S("sample4_unittest.cc:41")]

task("failure-make", "failure", GT_BUILD,
     "The build fails: what are the errors and where?",
     BUILD_ERRORS,
     "make -k 2>&1 | grep -E 'error:|required from here'",
     shell=["make -k 2>&1 | tail -40"],
     zub=["zub wrap --diag -- make -k"])

task("failure-unittest", "failure", os.path.join(AG, "pytextwrap"),
     "The textwrap tests fail: which tests, and why?",
     [S("FAILED (failures=9, errors=6)"), S("TypeError: TextWrapper.fill() takes 2 positional arguments but 3 were given"),
      R(r"textwrap\.py(\", line |:)411")] +
     [S(n) for n in ("test_empty_string", "test_first_word_too_long_but_placeholder_fits", "test_placeholder",
                     "test_simple", "test_whitespace", "test_width_too_small_for_placeholder", "test_indent_default",
                     "test_indent_empty_lines", "test_indent_explicit_default", "test_indent_no_lines",
                     "test_indent_nomargin_default", "test_indent_nomargin_explicit_default", "test_roundtrip_mixed",
                     "test_roundtrip_spaces", "test_roundtrip_tabs")],
     "python3.11 -m unittest test_textwrap 2>&1 | grep -E '^(FAIL|ERROR)|Error|line 411'",
     shell=["python3.11 -m unittest test_textwrap 2>&1 | tail -30",
            "python3.11 -m unittest test_textwrap 2>&1 | grep -E '^(FAIL|ERROR):|Error:|textwrap.py\", line'"],
     zub=["zub wrap --diag -- python3.11 -m unittest test_textwrap"])

task("failure-gtest", "failure", os.path.join(GT_BUILD, "googletest"),
     "sample1_unittest fails: which tests, where?",
     [S("FactorialTest.Positive"), S("IsPrimeTest.Trivial"), S("sample1_unittest.cc:105"), S("sample1_unittest.cc:125")],
     "./sample1_unittest | grep -E 'Failure|FAILED'",
     shell=["./sample1_unittest 2>&1 | tail -25", "./sample1_unittest 2>&1 | grep -B1 -A4 'Failure'"],
     # the summary names the tests but not their places: the agent asks again
     zub=["zub wrap --diag -- ./sample1_unittest", "zub wrap -- ./sample1_unittest"])

task("failure-gotest", "failure", os.path.join(AG, "golist"),
     "go test fails: which tests, with what message?",
     [S("--- FAIL: TestList"), S("--- FAIL: TestRemove"), S("list_test.go:11: l.Len() = 1, want 0")],
     "go test ./... 2>&1 | grep -E 'FAIL|want 0'",
     shell=["go test ./... 2>&1 | tail -40"],
     zub=["zub wrap --diag -- go test ./..."])

task("failure-cilog", "failure", os.path.join(AG, "logs"),
     "This CI log is red: which errors and which failing tests?",
     BUILD_ERRORS + [S(n) for n in ("FactorialTest.Positive", "IsPrimeTest.Trivial", "IntegerFunctionTest.Factorial",
                                    "IntegerFunctionTest.IsPrime", "CustomOutputTest.Fails")],
     "grep -E 'error:|required from here|FAILED  \\] [A-Z]' gtest-ci.log",
     shell=["tail -40 gtest-ci.log", "grep -nE 'error|FAILED|Failure' gtest-ci.log", "sed -n 33,37p gtest-ci.log"],
     zub=["zub diag < gtest-ci.log", "zub grep -C 3 'error:' gtest-ci.log", "zub grep -n 20 -E 'FAILED  \\] [A-Z]' gtest-ci.log"])

# ---------------------------------------------------------------- read2
# Read ranges of two files: the first, a middle and the last line of each.

task("read2-c-mempool", "read2", K,
     "Show include/linux/mempool.h 1-50 and mm/mempool.c 394-470.",
     READ_MEMPOOL, "sed -n 1,50p include/linux/mempool.h; sed -n 394,470p mm/mempool.c",
     shell=["sed -n 1,50p include/linux/mempool.h; sed -n 394,470p mm/mempool.c"],
     zub=[Try("zub read include/linux/mempool.h:1-50 mm/mempool.c:394-470",
              "zub read include/linux/mempool.h 1-50 mm/mempool.c 394-470")])

task("read2-py-json", "read2", PY,
     "Show json/decoder.py 69-135 and json/scanner.py 1-30.",
     READ_JSON, "sed -n 69,135p json/decoder.py; sed -n 1,30p json/scanner.py",
     shell=["sed -n 69,135p json/decoder.py; sed -n 1,30p json/scanner.py"],
     zub=["zub read json/decoder.py 69-135 json/scanner.py 1-30"])

task("read2-go-mux", "read2", GO,
     "Show ServeMux.ServeHTTP (server.go 2478-2488) and ServeMux.Handle (2492-2518).",
     READ_MUX, "sed -n '2478,2488p;2492,2518p' net/http/server.go",
     shell=["sed -n '2478,2488p;2492,2518p' net/http/server.go"],
     zub=[Try("zub read net/http/server.go 2478-2488 2492-2518",
              "zub read net/http/server.go 2478-2488 net/http/server.go 2492-2518")])

task("read2-java-grow", "read2", JV,
     "Show ArrayList.java 225-245 and Vector.java 250-270.",
     READ_GROW, "sed -n 225,245p java.base/java/util/ArrayList.java; sed -n 250,270p java.base/java/util/Vector.java",
     shell=["sed -n 225,245p java.base/java/util/ArrayList.java; sed -n 250,270p java.base/java/util/Vector.java"],
     zub=["zub read java.base/java/util/ArrayList.java 225-245 java.base/java/util/Vector.java 250-270"])

# ---------------------------------------------------------------- git
# Is the repository dirty and what changed (repo-axios from prepare.sh).

GIT_STATUS = [R(r"M\s+lib/core/Axios\.js"), R(r"M\s+lib/helpers/combineURLs\.js"),
              R(r"D\s+lib/helpers/deprecatedMethod\.js"), R(r"M\s+package\.json"), R(r"\?\?\s+lib/helpers/retry\.js")]

task("git-status", "git", REPO,
     "Is the work tree dirty, and which files changed how?",
     GIT_STATUS, "git status --short",
     shell=["git status --short"],
     zub=["zub brief"])

task("git-file-diff", "git", REPO,
     "What exactly changed in lib/helpers/combineURLs.js?",
     [S("-    ? baseURL.replace(/\\/?\\/$/, '')"), S("+    ? baseURL.replace(/\\/+$/, '')")],
     "git diff lib/helpers/combineURLs.js",
     shell=["git diff lib/helpers/combineURLs.js"],
     zub=["zub wrap -- git diff lib/helpers/combineURLs.js"])

task("git-all-changes", "git", REPO,
     "Is the tree dirty, and what are all the changes, staged or not?",
     GIT_STATUS + [S("+    config.method = (config.method || this.defaults.method || 'get').toUpperCase();"),
                   S('+  "version": "1.7.10",'), S("+    ? baseURL.replace(/\\/+$/, '')")],
     "git status --short; git diff HEAD",
     shell=["git status --short && git diff HEAD"],
     zub=["zub wrap 'git status --short && git diff HEAD'"])

task("git-subdir", "git", REPO,
     "What changed under lib/?",
     GIT_STATUS[:3] + GIT_STATUS[4:], "git status --short lib",
     shell=["git status --short lib"],
     zub=["zub brief lib"])

task("git-log-state", "git", REPO,
     "What are the latest commits, and is the tree clean?",
     [S("7466d12"), S("Link the retries section from the table of contents"), S("196101b")] + GIT_STATUS,
     "git log --oneline -5; git status --short",
     shell=["git log --oneline -5 && git status --short"],
     zub=["zub brief"])

# ---------------------------------------------------------------- todo
# TODOs in a subtree: every marked line, file and line.

task("todo-c-mm", "todo", K,
     "List the TODO and FIXME notes in mm/.",
     TODO_MM, "grep -rnE 'TODO|FIXME' mm",
     shell=["grep -rnE 'TODO|FIXME' mm"],
     zub=[Try("zub grep -rnE 'TODO|FIXME' mm", "zub grep -E 'TODO|FIXME' mm"),
          When(CAPPED, "zub grep -n 40 -E 'TODO|FIXME' mm"), When(LOST, "grep -rnE 'TODO|FIXME' mm")])

task("todo-py-asyncio", "todo", PY,
     "List the XXX and TODO notes in asyncio.",
     TODO_ASYNCIO, "grep -rn 'XXX\\|TODO' asyncio",
     shell=["grep -rn 'XXX\\|TODO' asyncio"],
     zub=[Try("zub grep 'XXX\\|TODO' asyncio", "zub grep -E 'XXX|TODO' asyncio")])

task("todo-go-http", "todo", GO,
     "List the TODOs in net/http.",
     TODO_HTTP, "grep -rn TODO --include=*.go net/http",
     shell=["grep -rn TODO --include=*.go net/http"],
     zub=["zub grep TODO net/http", When(CAPPED, "zub grep -n 100 TODO net/http"), When(LOST, "grep -rn TODO --include=*.go net/http")])

task("todo-java-util", "todo", JV,
     "List the TODO, FIXME and XXX notes in java.util.",
     TODO_JUTIL, "grep -rnE 'TODO|FIXME|XXX' java.base/java/util",
     shell=["grep -rnE 'TODO|FIXME|XXX' java.base/java/util"],
     zub=["zub grep -E 'TODO|FIXME|XXX' java.base/java/util", When(CAPPED, "zub grep -n 40 -E 'TODO|FIXME|XXX' java.base/java/util"),
          When(LOST, "grep -rnE 'TODO|FIXME|XXX' java.base/java/util")])

# ---------------------------------------------------------------- context
# The lines around each use of Z: every use with its line number and the
# context lines after it.

task("context-java-modcount", "context", JV,
     "Show each modCount++ in ArrayList.java with two lines around it.",
     CTX_MODCOUNT, "grep -n -C2 'modCount++' java.base/java/util/ArrayList.java",
     shell=["grep -n -C2 'modCount++' java.base/java/util/ArrayList.java"],
     zub=[Try("zub grep -C2 'modCount++' java.base/java/util/ArrayList.java",
              "zub grep -C 2 'modCount++' java.base/java/util/ArrayList.java"),
          # folded repeats lose their line numbers: the agent falls back to grep
          When(LOST, "grep -n -C2 'modCount++' java.base/java/util/ArrayList.java")])

task("context-go-serverclosed", "context", GO,
     "Show each 'return ErrServerClosed' in net/http/server.go with three lines around it.",
     CTX_SERVERCLOSED, "grep -n -C3 'return ErrServerClosed' net/http/server.go",
     shell=["grep -n -C3 'return ErrServerClosed' net/http/server.go"],
     zub=["zub grep -C 3 'return ErrServerClosed' net/http/server.go",
          When(LOST, "grep -n -C3 'return ErrServerClosed' net/http/server.go")])

task("context-py-warn", "context", PY,
     "Show each warnings.warn( call in asyncio with two lines around it.",
     CTX_WARN, "grep -rn -C2 'warnings.warn(' asyncio",
     shell=["grep -rn -C2 --include=*.py 'warnings.warn(' asyncio"],
     zub=[Try("zub grep -C2 --include=*.py 'warnings.warn(' asyncio", "zub grep -C 2 'warnings.warn(' asyncio"),
          When(LOST, "grep -rn -C2 --include=*.py 'warnings.warn(' asyncio")])

task("context-c-mempool", "context", K,
     "Show each mempool_alloc( call in fs/smb with two lines around it.",
     CTX_MEMPOOL, "grep -rn -C2 'mempool_alloc(' fs/smb",
     shell=["grep -rn -C2 'mempool_alloc(' fs/smb"],
     zub=["zub grep -C 2 'mempool_alloc(' fs/smb", When(LOST, "grep -rn -C2 'mempool_alloc(' fs/smb")])
