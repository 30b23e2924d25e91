// DecodeCommand and EncodeCommand on arbitrary text. Invariants: decoding reads nothing
// outside the text (the text is a view of a heap block of exact size, so
// AddressSanitizer sees any read past it), a CommandView reads the same record as the
// settings do, nothing past the declared length is read, and re-encoding a decoded
// record decodes to the same record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "action/ActionSettings.h"

namespace {

bool SameRecord(const pellacorm::ActionSettings& a, const pellacorm::ActionSettings& b) {
  return a.m_assignPriority == b.m_assignPriority && (!a.m_assignPriority || a.m_priority == b.m_priority) &&
         a.m_assignTopic == b.m_assignTopic && a.m_fileImmediately == b.m_fileImmediately &&
         a.m_overwriteTopic == b.m_overwriteTopic && a.m_topic == b.m_topic;
}

void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "broken invariant: %s\n  first: \"%s\"\n", what, text.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A heap block of exactly `size` bytes, which the decoders read in place.
  std::unique_ptr<char[]> exact(new char[size == 0 ? 1 : size]);
  std::copy(data, data + size, exact.get());
  const std::string_view view(exact.get(), size);
  const std::string text(view);

  pellacorm::ActionSettings first;
  first.DecodeCommand(view);
  const pellacorm::CommandView inPlace(view);
  if (inPlace.m_assignPriority != first.m_assignPriority || inPlace.m_priority != first.m_priority ||
      inPlace.m_assignTopic != first.m_assignTopic || inPlace.m_fileImmediately != first.m_fileImmediately ||
      inPlace.m_overwriteTopic != first.m_overwriteTopic || inPlace.m_topic != first.m_topic) {
    Fail("a view reads another record than the settings", text);
  }
  // Past the declared length nothing is read, so a byte appended there changes nothing.
  if (size >= 3 && std::all_of(text.begin(), text.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }) &&
      std::stoul(text.substr(0, 3)) <= size) {
    pellacorm::ActionSettings longer;
    longer.DecodeCommand(text + "#");
    if (!SameRecord(first, longer)) {
      Fail("a byte past the declared length changes the record", text);
    }
  }
  if (first.m_assignPriority && (first.m_priority < -9 || first.m_priority > 9)) {
    // Stored rules are read as atoi reads the two characters of the priority field, so
    // "P12" gives 12, which the one-digit field cannot write back: the format's known
    // limit, not a fault of the code.
    return 0;
  }
  const std::string encoded = first.EncodeCommand();

  pellacorm::ActionSettings second;
  second.DecodeCommand(encoded);
  // A record with neither a priority nor a named topic encodes to "", which decodes to
  // an empty record; an unnamed topic never leaves the decoder.
  if (!SameRecord(first, second)) {
    Fail("a re-encoded record decodes to another record", text);
  }
  if (second.EncodeCommand() != encoded) {
    Fail("encoding is not stable", text);
  }
  return 0;
}
