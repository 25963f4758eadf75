#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSURL.h"

#include <gtest/gtest.h>

TEST(Path, ComponentOperations)
{
    struct Case {
        std::string path;
        std::string extension;
        std::string last;
        std::string parent;
        std::string withoutExtension;
    };
    const Case cases[] = {
        { "/www/index.html", "html", "index.html", "/www", "/www/index" },
        { "archive.tar.gz", "gz", "archive.tar.gz", "", "archive.tar" },
        { ".htaccess", "", ".htaccess", "", ".htaccess" },
        { "/a/site.htaccess", "htaccess", "site.htaccess", "/a", "/a/site" },
        { "a.", "", "a.", "", "a." },
        { "..x", "x", "..x", "", "." },
        { "README", "", "README", "", "README" },
        { "/a/b.d/", "d", "b.d", "/a", "/a/b" },
        { "/a.b/c", "", "c", "/a.b", "/a.b/c" },
        { "/a//b", "", "b", "/a", "/a//b" },
        { "/a", "", "a", "/", "/a" },
        { "/", "", "/", "/", "/" },
        { "//", "", "/", "/", "/" },
        { "", "", "", "", "" },
        { "a/", "", "a", "", "a" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pathExtension(c.path), c.extension) << c.path;
        EXPECT_EQ(lastPathComponent(c.path), c.last) << c.path;
        EXPECT_EQ(stringByDeletingLastPathComponent(c.path), c.parent) << c.path;
        EXPECT_EQ(stringByDeletingPathExtension(c.path), c.withoutExtension) << c.path;
    }
}

TEST(Path, SplittingAndJoining)
{
    using V = std::vector<std::string>;
    struct Case {
        std::string path;
        V components;
        std::string joined;
    };
    const Case cases[] = {
        { "/a/b", { "/", "a", "b" }, "/a/b" },
        { "/a//b/", { "/", "a", "b", "/" }, "/a/b/" },
        { "a/b", { "a", "b" }, "a/b" },
        { "/", { "/" }, "/" },
        { "///", { "/" }, "/" },
        { "", {}, "" },
        { "ftp://h:21/www/css/", { "ftp:", "h:21", "www", "css", "/" }, "ftp:/h:21/www/css/" },
        { "ftp://h:21/", { "ftp:", "h:21", "/" }, "ftp:/h:21/" },
        { "caf\xC3\xA9/x y", { "caf\xC3\xA9", "x y" }, "caf\xC3\xA9/x y" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pathComponents(c.path), c.components) << c.path;
        EXPECT_EQ(pathWithComponents(c.components), c.joined) << c.path;
    }

    struct Append {
        std::string path, component, expected;
    };
    const Append appends[] = {
        { "/www", "a.txt", "/www/a.txt" },
        { "/www/", "a.txt", "/www/a.txt" },
        { "/www//", "/a.txt", "/www/a.txt" },
        { "", "a.txt", "a.txt" },
        { "/", "a", "/a" },
        { "/www", "", "/www" },
        { "/www/", "", "/www" },
        { "/www", "sub/", "/www/sub" },
        { "", "", "" },
    };
    for (const Append& a : appends)
        EXPECT_EQ(stringByAppendingPathComponent(a.path, a.component), a.expected) << a.path << " + " << a.component;
}

TEST(URL, ParsingAndRefusing)
{
    const auto url = NSURL::URLWithString("ftp://user:pw@example.com:2121/www/my%20site/?q=1#top");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme(), "ftp");
    EXPECT_EQ(url->user(), "user");
    EXPECT_EQ(url->password(), "pw");
    EXPECT_EQ(url->host(), "example.com");
    EXPECT_EQ(url->port(), 2121);
    EXPECT_EQ(url->escapedPath(), "/www/my%20site/");
    EXPECT_EQ(url->path(), "/www/my site");
    EXPECT_EQ(url->query(), "q=1");
    EXPECT_EQ(url->fragment(), "top");
    EXPECT_EQ(url->lastPathComponent(), "my site");

    const auto root = NSURL::URLWithString("sftp://[::1]:22/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->host(), "[::1]");
    EXPECT_EQ(root->path(), "/");
    EXPECT_EQ(NSURL::URLWithString("ftp://h")->path(), "");
    EXPECT_FALSE(NSURL::URLWithString("ftp://h")->port());

    for (const char* bad : { "", "ftp://h/a b", "ftp://h/\xC3\xA9", "ftp://h/100%", "ftp://h/%zz", "ftp://h:99999/", "ftp://h:2x/",
             "ftp://h/a\"b", "ftp://h/<x>", "ftp://h/a#b#c", "ftp://[::1/" })
        EXPECT_FALSE(NSURL::URLWithString(bad)) << bad;

    // Escaped text whose bytes are not UTF-8: the path stays escaped rather than being lost.
    EXPECT_EQ(NSURL::URLWithString("ftp://h/caf%E9")->path(), "/caf%E9");
}

TEST(URL, EscapingRoundTrips)
{
    EXPECT_EQ(stringByAddingPercentEscapesUsingEncoding("ftp://h:21/a b/\"q\"/100%/<x>/caf\xC3\xA9/#1?x=[y]"),
        "ftp://h:21/a%20b/%22q%22/100%25/%3Cx%3E/caf%C3%A9/#1?x=%5By%5D");
    EXPECT_EQ(stringByAddingPercentEscapesUsingEncoding("!$&'()*+,-./:;=?@_~AZaz09"), "!$&'()*+,-./:;=?@_~AZaz09");
    EXPECT_EQ(stringByReplacingPercentEscapes("a%20b%2fc%zz%"), "a b/c%zz%");
    EXPECT_FALSE(stringByReplacingPercentEscapes("%FF"));
}

TEST(URL, AppendingAndDeletingComponents)
{
    struct Case {
        std::string base;
        std::string component;
        std::string appended;
        std::string decodedPath;
    };
    const Case cases[] = {
        { "ftp://h:21/www/", "my folder", "ftp://h:21/www/my%20folder", "/www/my folder" },
        { "ftp://h:21/www", "a#b", "ftp://h:21/www/a%23b", "/www/a#b" },
        { "ftp://h:21/", "100% \"done\"", "ftp://h:21/100%25%20%22done%22", "/100% \"done\"" },
        { "ftp://h:21/www/", "caf\xC3\xA9?.txt", "ftp://h:21/www/caf%C3%A9%3F.txt", "/www/caf\xC3\xA9?.txt" },
        { "ftp://h:21", "x", "ftp://h:21/x", "/x" },
        { "ftp://h:21/a%20b/", "c d", "ftp://h:21/a%20b/c%20d", "/a b/c d" },
        { "ftp://h:21/a/?q", "b", "ftp://h:21/a/b?q", "/a/b" },
    };
    for (const Case& c : cases) {
        const auto base = NSURL::URLWithString(c.base);
        ASSERT_TRUE(base) << c.base;
        const auto appended = base->URLByAppendingPathComponent(c.component);
        ASSERT_TRUE(appended) << c.base << " + " << c.component;
        EXPECT_EQ(appended->absoluteString(), c.appended);
        EXPECT_EQ(appended->path(), c.decodedPath);
        EXPECT_EQ(appended->lastPathComponent(), c.component);
    }

    struct Parent {
        std::string url, parent;
    };
    const Parent parents[] = {
        { "ftp://h:21/a/b/", "ftp://h:21/a/" },
        { "ftp://h:21/a/b", "ftp://h:21/a/" },
        { "ftp://h:21/a/", "ftp://h:21/" },
        { "ftp://h:21/", "ftp://h:21/" }, // the root stays the root
        { "ftp://h:21", "ftp://h:21/" },
        { "ftp://h:21/my%20dir/sub%23x/", "ftp://h:21/my%20dir/" },
    };
    for (const Parent& p : parents)
        EXPECT_EQ(NSURL::URLWithString(p.url)->URLByDeletingLastPathComponent()->absoluteString(), p.parent) << p.url;

    // The way up from a folder whose name holds a blank, as the directory screen goes.
    const auto up = NSURL::URLWithString(stringByAddingPercentEscapesUsingEncoding("ftp://h:21/www/c d/"));
    ASSERT_TRUE(up);
    EXPECT_EQ(up->URLByDeletingLastPathComponent()->absoluteString(), "ftp://h:21/www/");
}

TEST(URL, EqualityAndFileURLs)
{
    const auto a = NSURL::URLWithString("ftp://h/a");
    const auto b = NSURL::URLWithString("ftp://h/a");
    const auto c = NSURL::URLWithString("ftp://h/b");
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_EQ(a->hash(), b->hash());
    EXPECT_FALSE(a->isEqual(*c));

    const auto file = NSURL::fileURLWithPath("/tmp/my file #1.pdf");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->isFileURL());
    EXPECT_EQ(file->absoluteString(), "file:///tmp/my%20file%20%231.pdf");
    EXPECT_EQ(file->path(), "/tmp/my file #1.pdf");
}
