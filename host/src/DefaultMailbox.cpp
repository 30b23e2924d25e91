// The mailbox the host runs on when no --mailbox is given: a user's default store with a
// topics folder of the usual kind, and an archive store with a topics folder of its own
// (set AppDatastore to it with --set-binary AppDatastore=store:Archive).
#include "Mailbox.h"

namespace rulehost {

const char* DefaultMailboxText() {
  return R"(# The embedded default mailbox of rulehost.
store Mailbox default
  Inbox inbox
    Pellacorm Topics
      Budget
        Forecasts
        Travel Expenses
      Clients
        Harbor Logistics
          Contracts
          Support
            2006
              Escalations
                Open
                Closed
            2007
        Meridian Health Partners
          Quarterly Business Reviews
        Northwind Shipping
      Conferences
        Spring Summit
      Hiring
        Engineering
        Sales
      Legal
        Contracts Under Review
      Marketing
        Campaigns
          Autumn Product Launch Materials
        Press Releases
      Operations
        Facilities
        IT Helpdesk
      Personal
      Projects
        Data Warehouse Consolidation Phase Two
        Website Relaunch
          Design Reviews
            Final Cut
      Research and Development
        Quarterly Planning Notes
      Vendors
        Office Supplies
  Drafts
  Sent Items
  Deleted Items
  Calendar
  Contacts
store Archive
  Inbox inbox
    Pellacorm Topics
      2004
        Closed Matters
      2005
        Closed Matters
      Budget
      Clients
        Harbor Logistics
          Support
            2005
              Escalations
      Old Projects
        Intranet Migration
)";
}

}  // namespace rulehost
