// Locks a whole site: every page of the source folder that the patterns
// pick is locked into the same relative path under the output folder (a
// page that is not HTML into its name + ".html", wrapped as text), the other
// files that the copy policy lets through (engine/site/copy_policy.h) are copied
// byte for byte and the rest is left out, and each folder that holds a page
// gets the template's other files. Every copy is searched for the pages'
// text (engine/site/site_leaks.h), taken from the bytes the lock read of
// each page (a dry run reads the pages for it alone), so that each page is
// read once: the result names each copy that holds it, and a strict run
// that finds one leaves the output as it was.
//
// Before anything is written it checks the template, the password, that
// the source is a folder, that the output is new, empty or (with force) to
// be replaced and that neither folder holds the other, and that no template
// file would replace a site file (every clash is named). The site is then
// built in the output's name + kSiteTemporarySuffix, beside it, and put in
// the output's place in one step at the end (an atomic swap where the
// system has one). Failed, Cancelled or killed, the output folder is as it
// was: absent, or the old one; a failed or cancelled run removes its
// temporary folder, and a killed run's is removed (and named) by the next.
// One failure differs: when the step that put the site in place can
// neither be written to the disk nor undone, the new site stays in the
// output's place and the old output under the temporary name, and the
// problem (kSitePlacedNotFlushed, kSitePlacedNotFlushedOldKept) says so.
// The source is only read. Links are neither followed nor copied; each is
// named through the observer, as is anything that is neither a file nor a
// folder. Copies keep their originals' permission bits.
//
// One key derivation per run; every page gets its own key from it.
// `jobs` pages are locked at once; memory stays bounded by a constant per
// job (and the leak check's fixed table), whatever the size of the pages.
#pragma once

#include "engine/run_observer.h"
#include "engine/site_request.h"
#include "engine/site_result.h"
#include "platform/path_parts.h"

inline constexpr auto& kSiteTemporarySuffix = platform::kTemporarySuffix;

TSiteResult LockSite(const TSiteRequest& request, TRunObserver& observer);
