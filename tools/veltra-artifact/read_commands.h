// The commands that open an artifact: lookup, inspect and dump.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace veltra::artifact_tool {

// "lookup ARTIFACT [--enable KEY,KEY...] (DOMAIN... | --stdin)": one line per domain,
// "DOMAIN<TAB>GROUP|-<TAB>NAMES|-<TAB>blocked|allowed". Domains are looked up exactly as given.
void runLookup(const std::string& artifactPath, const std::vector<std::string>& enabledKeys,
               bool allKeys, const std::vector<std::string>& domains, std::istream* input,
               std::ostream& out);

// "inspect ARTIFACT [--json]": header fields, categories, group count, trie sizes, residency.
void runInspect(const std::string& artifactPath, bool json, std::ostream& out);

// "dump ARTIFACT": every exact domain with its group, "DOMAIN<TAB>GROUP", in byte order.
void runDump(const std::string& artifactPath, std::ostream& out);

}  // namespace veltra::artifact_tool
