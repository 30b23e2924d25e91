#include "testing/UserProfile.h"

namespace testsupport {

UserMailbox::UserMailbox(memstore::Profile& profile)
    : mailbox(profile.AddStore("Mailbox", true)),
      inbox(mailbox.AddFolder("Inbox")),
      topics(mailbox.AddFolder("Inbox/Pellacorm Topics")),
      archive(profile.AddStore("Archive")) {
  mailbox.SetReceiveFolder("IPM.Note", inbox);
}

}  // namespace testsupport
