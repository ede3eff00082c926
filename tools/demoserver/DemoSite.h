#pragma once

// What the demo news server answers: the sample front pages of demo/ in
// each code a Japanese site may use, their stamps moved to the present on
// every request, a site built of frames, a site that has moved (a redirect),
// and a short article behind every headline link.

#include "tools/demoserver/StampRewriter.h"

#include <string>
#include <utility>
#include <vector>

struct DemoResponse {
    int status = 200;
    std::string contentType;
    std::string location; // for a redirect
    std::string body;
};

class DemoSite {
public:
    // The front pages, each served at its path in its own code.
    struct Front {
        const char* path;
        const char* file; // in the pages folder
        const char* code; // iconv name
        const char* charset;
    };
    static const std::vector<Front>& Fronts();

    // Reads the sample pages from folder; false with error when one cannot
    // be read or decoded.
    bool Load(const std::string& folder, std::string& error);

    // target: the request's path (a query is ignored).
    DemoResponse Respond(const std::string& target, StampRewriter::Minutes now) const;

private:
    DemoResponse front(const Front& front, const std::string& utf8,
                       StampRewriter::Minutes now) const;

    std::vector<std::string> pages_; // UTF-8, one per entry of Fronts()
};
