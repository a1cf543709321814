#pragma once

// The portal's HTML pages around searching: the home page with its search form, result
// pages in the markup the harvester reads (the "ul_articlelist" list, "julei-list" blocks,
// the "全文下载" link's six-field onclick call, the "page" element with "下一页"), the same
// page carrying the verification notice when the throttle trips, and a plain-text listing
// of the catalogue for test writers. portal/README.md documents the markup.
#include <string>

class ResultCatalogue;

extern const char *const kVerificationNotice;

std::string HomePage();

// page counts from 1; a page past the last one is an empty result page.
std::string SearchPage(const ResultCatalogue &catalogue, const std::string &keyword, int page, bool verification);

// One line per result: id, type, type code, kind, profile, size, address path, title.
std::string CatalogueText(const ResultCatalogue &catalogue, const std::string &keyword);
