#pragma once

// Pages under /browser/ that behave the way the harvesting window's embedded browser must
// cope with: new-window links (target="_blank", window.open), frames, a page that closes
// its window, a script error with an alert, and a page that takes long to load.
namespace httplib {
class Server;
}

void RegisterBrowserRoutes(httplib::Server &server);
