// The text line's placeholders filled from the tags, and what goes with an
// empty one.

#include "document/text_template.h"

#include <gtest/gtest.h>

namespace sonavix {
namespace {

TEST(TextTemplate, PlaceholdersTakeTheTagsAndEmptyOnesLeaveNoStraySeparator) {
  SoundTags all;
  all.artist = "Die Band";
  all.title = "Das Lied";
  all.album = "Nachtfalter";
  all.track = "3/12";
  all.year = "2024";
  SoundTags titleOnly;
  titleOnly.title = "Das Lied";
  const struct {
    const char* text;
    const SoundTags& tags;
    const char* line;
  } cases[] = {
      {"{artist} – {title}", all, "Die Band – Das Lied"},
      {"{artist} – {title}", titleOnly, "Das Lied"},
      {"{artist} – {title}", SoundTags{}, ""},
      {"{album} ({year})", all, "Nachtfalter (2024)"},
      {"{album} ({year})", titleOnly, ""},
      {"{track}. {title}", titleOnly, "Das Lied"},
      {"Live: {title} [{year}]", titleOnly, "Live: Das Lied"},
      {"{artist}/{album}/{title}", titleOnly, "Das Lied"},
      {"Mein Text  ", titleOnly, "Mein Text  "},  // no placeholder: exactly as written
      {"{unbekannt} {title}", all, "{unbekannt} Das Lied"},
      {"{{title}}", all, "{Das Lied}"},
      {"{title", all, "{title"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandTextTemplate(c.text, c.tags), c.line) << c.text;
  EXPECT_TRUE(HasPlaceholder("– {year} –"));
  EXPECT_FALSE(HasPlaceholder("{jahr}"));
}

}  // namespace
}  // namespace sonavix
