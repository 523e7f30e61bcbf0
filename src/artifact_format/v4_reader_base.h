// What both V4 readers offer on top of their own domain lookup: the decoded tables, category
// sets, verdict bitmaps, blocked tests and the bounded description.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "artifact_format/bounded_description.h"
#include "artifact_format/category_indexed.h"
#include "artifact_format/v4_opening.h"
#include "artifact_format/verdict_bitmap.h"

namespace BlocklistV4Format {

// Returns the header summary of a reader: version, counts and totalFileSize.
SummaryFields headerSummaryFields(const V4Header& header);

// Mixin: `Reader` provides groupID(domain) -> optional<u16> and kSummaryName. Holds the opened
// tables; immutable after construction.
template <typename Reader>
class V4ReaderBase : public CategoryIndexed<Reader> {
 public:
  const V4Header& header() const { return opened_.header; }
  const GroupTable& groupTable() const { return opened_.groupTable; }
  const CategoryTable& categoryTable() const { return opened_.categoryTable; }

  // Returns the category set of the domain's group, or nothing.
  std::optional<CategorySet> categories(std::string_view domain) const {
    std::optional<std::uint16_t> group = reader().groupID(domain);
    if (!group) return std::nullopt;
    return opened_.groupTable.set(*group);
  }
  // Returns the bitmap of the groups whose sets meet `selection`.
  VerdictBitmap verdictBitmap(const CategorySet& selection) const {
    return opened_.groupTable.verdictBitmap(selection);
  }
  // Tells whether the domain's group is set in `verdict`; not blocked without a group or when the
  // group is not below the bitmap's groupCount.
  bool isBlocked(std::string_view domain, const VerdictBitmap& verdict) const {
    std::optional<std::uint16_t> group = reader().groupID(domain);
    return group && verdict.isBlocked(*group);
  }
  // Tells whether the domain's categories meet `selection`.
  bool isBlocked(std::string_view domain, const CategorySet& selection) const {
    std::optional<CategorySet> set = categories(domain);
    return set && set->intersects(selection);
  }

  SummaryFields summaryFields() const { return headerSummaryFields(opened_.header); }
  std::string description() const { return describe(Reader::kSummaryName, summaryFields()); }

 protected:
  explicit V4ReaderBase(veltra::ByteView bytes) : opened_(openArtifact(bytes)) {}

  const OpenedArtifact& opened() const { return opened_; }

 private:
  const Reader& reader() const { return static_cast<const Reader&>(*this); }

  OpenedArtifact opened_;
};

}  // namespace BlocklistV4Format
