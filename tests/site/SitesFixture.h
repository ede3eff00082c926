#pragma once

// What the site-list tests share: a loopback server, a plug-in folder of
// their own and short transfer limits.

#include "engine/site/TNewsSites.h"
#include "platform/inet/Internet.h"

#include "tests/site/SiteTestSupport.h"
#include "tests/support/EventPump.h"
#include "tests/support/HttpServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

class Sites : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
        platform::SetInternetTimeouts({2000, 2000});
    }
    void TearDown() override { platform::SetInternetTimeouts({}); }

    // A Shift_JIS front page holding the given headline blocks.
    static testsupport::HttpResponse page(const std::string& blocks, int delayMs = 0) {
        testsupport::HttpResponse r{200,
                                    sjis("<meta charset=shift_jis><body>" + blocks + "</body>")};
        r.delayMs = delayMs;
        return r;
    }

    std::string plugin() const { return dir.path().string() + "/"; }
    bool idle(const TNewsSites& sites, int timeoutMs = 10000) {
        return testsupport::PumpUntil([&] { return !sites.IsBusy(); }, timeoutMs);
    }

    testsupport::TempDir dir;
    testsupport::HttpServer server;
};
