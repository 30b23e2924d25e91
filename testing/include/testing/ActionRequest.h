// What a fired rule must leave behind: one hidden action request message with the
// class, the command as its subject, and the entry identifier of the matched message.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memstore/Profile.h"

namespace testsupport {

inline void ExpectActionRequest(const memstore::PropSet& props, const std::string& subject,
                                const std::vector<BYTE>& matched) {
  ASSERT_TRUE(props.Get(PR_MESSAGE_CLASS_A).has_value());
  EXPECT_EQ(props.Get(PR_MESSAGE_CLASS_A)->AsString(), "IPM.Pellacorm.Action");
  ASSERT_TRUE(props.Get(PR_SUBJECT_A).has_value());
  EXPECT_EQ(props.Get(PR_SUBJECT_A)->AsString(), subject);
  ASSERT_TRUE(props.Get(PR_ORIGINAL_ENTRYID).has_value());
  EXPECT_EQ(props.Get(PR_ORIGINAL_ENTRYID)->AsBinary(), matched);
}

}  // namespace testsupport
