#include "artifact_format/category_registry.h"

#include <gtest/gtest.h>

namespace BlocklistV4Format {
namespace {

using Registry = CategoryRegistry;
using Entry = Registry::Entry;
using Status = Registry::Status;

Registry::DataSource upstream() {
  Registry::DataSource data;
  data.kind = Registry::DataSource::Kind::upstream;
  return data;
}

Entry entry(std::optional<std::int64_t> id, std::string name, Status status = Status::active,
            std::optional<std::string> parent = std::nullopt) {
  Entry e;
  e.id = id;
  e.name = std::move(name);
  e.status = status;
  e.parent = std::move(parent);
  e.data = upstream();
  return e;
}

std::string validationError(const Registry& registry) {
  try {
    registry.validate();
  } catch (const RegistryError& error) {
    return error.description();
  }
  return "valid";
}

std::vector<Registry::Block> twoBlocks() { return {{0, 99, "first"}, {100, 199, "second"}}; }

TEST(CategoryRegistry, ValidationErrorsAndTheirMessages) {
  std::vector<Entry> many;
  for (int i = 0; i < 257; ++i) many.push_back(entry(i, "c" + std::to_string(i)));
  Entry emptyWildcard = entry(3, "w");
  emptyWildcard.data.kind = Registry::DataSource::Kind::embeddedWildcard;
  Entry noneData = entry(3, "n");
  noneData.data.kind = Registry::DataSource::Kind::none;
  Entry v3a = entry(1, "a"), v3b = entry(2, "b", Status::reserved);
  v3a.v3Id = 4;
  v3b.v3Id = 4;
  struct Case {
    const char* what;
    Registry registry;
    std::string message;
  };
  const Case cases[] = {
      {"duplicate id across statuses",
       Registry({entry(7, "a", Status::tombstone), entry(7, "b")}, {}, 0),
       "category id 7 appears more than once; ids are never reused"},
      {"id above u16", Registry({entry(65536, "big")}, {}, 0),
       "big has id 65536, outside 0...65535. The category table stores ids as u16."},
      {"negative id", Registry({entry(-1, "neg", Status::reserved)}, {}, 0),
       "neg has id -1, outside 0...65535. The category table stores ids as u16."},
      {"unallocated with id",
       Registry({entry(12, "adsTrackersNormal", Status::unallocated)}, {}, 0),
       "adsTrackersNormal is unallocated but holds id 12"},
      {"active without id", Registry({entry(std::nullopt, "a")}, {}, 0),
       "a is active but has no id"},
      {"empty embedded wildcard", Registry({emptyWildcard}, {}, 0),
       "w is active but has no list data (the #574 defect)"},
      {"kind none", Registry({noneData}, {}, 0),
       "n is active but has no list data (the #574 defect)"},
      {"257 active", Registry(many, {}, 0),
       "257 active categories exceeds the 256 slots one artifact can hold. Widen CategorySet's "
       "storage \xE2\x80\x94 this is not an id-space limit."},
      {"blocks short of the id space", Registry({}, twoBlocks(), 256),
       "declared blocks leave id 200 uncovered; blocks must tile 0..<size"},
      {"gap between blocks", Registry({}, {{0, 99, "a"}, {101, 199, "b"}}, 200),
       "declared blocks leave id 100 uncovered; blocks must tile 0..<size"},
      {"id outside every block", Registry({entry(250, "far", Status::reserved)}, twoBlocks(), 200),
       "far has id 250, which falls in no declared block"},
      {"duplicate v3 id", Registry({v3a, v3b}, {}, 0),
       "V3 id 4 is claimed by more than one category"},
      {"parent is self", Registry({entry(1, "a", Status::active, "a")}, {}, 0),
       "a declares itself as its own parent"},
      {"parent missing", Registry({entry(1, "a", Status::active, "p")}, {}, 0),
       "a declares parent 'p', which is not in the registry"},
      {"grandchild before status",
       Registry({entry(1, "g", Status::reserved, "c"), entry(2, "c", Status::reserved, "p"),
                 entry(3, "p")},
                {}, 0),
       "g declares parent 'c', which is itself a child; the hierarchy is one level deep and a "
       "grandchild would be dropped from any selection naming the grandparent"},
      {"reserved parent",
       Registry({entry(1, "kid", Status::active, "p"), entry(2, "p", Status::reserved)}, {}, 0),
       "kid declares parent 'p', which is reserved rather than active; a retired or gapped parent "
       "left in place would silently drop kid from the hierarchy with no error"},
      {"reserved child without id",
       Registry({entry(std::nullopt, "kid", Status::reserved, "p"), entry(2, "p")}, {}, 0),
       "kid declares a parent but has no id of its own; an id-less category is never rendered or "
       "selected, so the parent it declares is meaningless"},
      {"parent in another block",
       Registry({entry(150, "kid", Status::active, "p"), entry(2, "p")}, twoBlocks(), 200),
       "kid declares parent 'p' from a different block; the UI groups categories by block, so the "
       "two would render in unrelated sections"},
  };
  for (const Case& c : cases) EXPECT_EQ(validationError(c.registry), c.message) << c.what;
}

TEST(CategoryRegistry, ValidRegistriesPass) {
  std::vector<Entry> full;
  for (int i = 0; i < 256; ++i) full.push_back(entry(i, "c" + std::to_string(i)));
  Entry oneSuffix = entry(3, "w");
  oneSuffix.data.kind = Registry::DataSource::Kind::embeddedWildcard;
  oneSuffix.data.suffixes = {"example.com"};
  const Registry valid[] = {
      Registry(full, {}, 0),
      Registry({entry(65535, "top"), oneSuffix, entry(std::nullopt, "u", Status::unallocated)}, {},
               0),
      Registry({entry(150, "kid", Status::active, "p"), entry(120, "p")},
               {{100, 199, "b"}, {0, 99, "a"}}, 200),
      Registry({entry(500, "kid", Status::active, "p"), entry(9000, "p")}, {}, 0),
  };
  for (const Registry& registry : valid) EXPECT_EQ(validationError(registry), "valid");
}

TEST(CategoryRegistry, SlotsAndQueries) {
  Entry a = entry(7, "a"), b = entry(3, "b", Status::active, "p"),
        c = entry(5, "c", Status::reserved);
  Entry p = entry(9, "p");
  Entry orphan = entry(std::nullopt, "o", Status::reserved, "p");
  a.v3Id = 0;
  b.v3Id = 5;
  c.v3Id = 40;
  Registry registry({a, b, c, p, orphan}, twoBlocks(), 200);
  EXPECT_EQ(registry.activeIDs(), (std::vector<std::int64_t>{3, 7, 9}));
  EXPECT_EQ(registry.slotCount(), 3u);
  EXPECT_EQ(registry.groupRowWidth(), 1u);
  EXPECT_EQ(registry.slot(7), 1u);
  EXPECT_EQ(registry.slot(5), std::nullopt);
  EXPECT_EQ(registry.id(0), 3);
  EXPECT_EQ(registry.id(3), std::nullopt);
  EXPECT_EQ(registry.coverageByID({{0, 10}, {2, 30}, {5, 50}, {-1, 1}}),
            (std::map<std::int64_t, std::int64_t>{{3, 10}, {9, 30}}));
  EXPECT_EQ(registry.entry("c")->id, 5);
  EXPECT_EQ(registry.name(9), "p");
  EXPECT_EQ(registry.block(150)->name, "second");
  EXPECT_EQ(registry.block(500), std::nullopt);
  std::vector<Entry> children = registry.children("p");
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0].name, "o");  // no id sorts as 0
  EXPECT_EQ(children[1].name, "b");
  EXPECT_EQ(registry.hierarchyNames(), (std::set<std::string>{"b", "o", "p"}));
  EXPECT_EQ(registry.v3Mask({7, 3, 5, 1234}), 33u);
  EXPECT_EQ(registry.activeEntries().size(), 3u);
}

TEST(CategoryRegistry, DecodesTheWireForm) {
  std::string json = R"({"version": 3, "idSpace": {"size": 200},
    "blocks": [{"range": [0, 99, 5], "name": "core"}, {"range": [100, 199], "name": "extra"}],
    "categories": [
      {"id": 1, "name": "ads", "status": "active", "v3Id": 2,
       "data": {"kind": "upstream", "file": "ads.txt", "format": "hosts", "minBytes": 10,
                "minCoverage": 50, "note": "ignored"}},
      {"id": 2, "name": "bare", "status": "active", "data": {"kind": "upstream"}},
      {"id": 3, "name": "wild", "status": "active", "parent": "ads", "v3Id": null,
       "data": {"kind": "embeddedWildcard", "suffixes": ["example.com"], "note": "n"}},
      {"name": "later", "status": "unallocated", "data": {"kind": "none", "note": "soon"}}]})";
  Registry registry = Registry::decode(veltra::asBytes(json));
  EXPECT_EQ(registry.idSpaceSize(), 200);
  ASSERT_EQ(registry.blocks().size(), 2u);
  EXPECT_EQ(registry.blocks()[0], (Registry::Block{0, 99, "core"}));
  ASSERT_EQ(registry.entries().size(), 4u);
  const Entry& ads = registry.entries()[0];
  EXPECT_EQ(ads.v3Id, 2);
  EXPECT_EQ(ads.data.upstream()->format, "hosts");
  EXPECT_EQ(ads.data.minCoverage(), 50);
  EXPECT_EQ(ads.data.note(), std::nullopt);
  Registry::Upstream bare = *registry.entries()[1].data.upstream();
  EXPECT_EQ(bare, Registry::Upstream{});
  EXPECT_TRUE(registry.entries()[1].data.hasListData());
  EXPECT_EQ(registry.entries()[2].data.suffixes, std::vector<std::string>{"example.com"});
  EXPECT_EQ(registry.entries()[2].parent, "ads");
  EXPECT_EQ(registry.entries()[3].data.note(), "soon");
  EXPECT_EQ(registry.entries()[3].id, std::nullopt);
  EXPECT_EQ(validationError(registry), "valid");
}

TEST(CategoryRegistry, WireFormMismatchesAreDecodingErrors) {
  const std::pair<const char*, const char*> cases[] = {
      {"{", "registry JSON document: not valid JSON"},
      {R"({"idSpace": {"size": 1}, "blocks": [], "categories": []})",
       "registry JSON version: required key is missing"},
      {R"({"version": 1, "idSpace": {"size": 1}, "blocks": [{"range": [1], "name": "x"}],
           "categories": []})",
       "registry JSON blocks[0].range: expected at least two integers"},
      {R"({"version": 1, "idSpace": {"size": 1}, "blocks": [],
           "categories": [{"name": "a", "status": "retired", "data": {"kind": "none"}}]})",
       "registry JSON categories[0].status: unknown status 'retired'"},
      {R"({"version": 1, "idSpace": {"size": 1}, "blocks": [],
           "categories": [{"id": 1.5, "name": "a", "status": "active", "data": {"kind": "x"}}]})",
       "registry JSON categories[0].id: expected an integer"},
  };
  for (const auto& [json, message] : cases) {
    try {
      Registry::decode(veltra::asBytes(json));
      ADD_FAILURE() << message;
    } catch (const RegistryDecodingError& error) {
      EXPECT_EQ(error.description(), message);
    }
  }
}

}  // namespace
}  // namespace BlocklistV4Format
