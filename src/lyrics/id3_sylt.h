#pragma once
// Synchronised lyrics from an ID3v2 tag (its SYLT frame), which the
// demultiplexers leave unread, given as LRC text so that they are read like
// any other timed lyrics. ID3v2.3 and 2.4, with or without
// unsynchronisation; times in milliseconds (the form lyrics editors write;
// times in MPEG frames are left alone). Each entry is a line, unless some
// entries start with a line break: then those start lines and the others
// are words of the line before, with times of their own.

#include <cstdint>
#include <span>
#include <string>

namespace sonavix {

// How many bytes the ID3v2 tag at the start of `head` takes, header and
// footer included; 0 if `head` does not start with one.
std::size_t Id3TagSize(std::span<const std::uint8_t> head);

// The tag's first SYLT frame as LRC text; empty when there is none or it
// cannot be read.
std::string SyltAsLrc(std::span<const std::uint8_t> tag);

}  // namespace sonavix
