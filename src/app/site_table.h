#pragma once
// The site list: table rsite loaded into SiteList and SiteCount whenever the setup is loaded.
// rsite is addressed by position: 1 datatype_site_id, 3 data type number, 5 unit, 7
// parameter_code, 8 source, 11 a number (read only when the table has more than 12 columns).

namespace fw {

struct Session;

// Opens the main connection, reads every rsite record in DSID order (a workbook in sheet order)
// into SiteList rows 1 to SiteCount, and closes the connection again, also after a failure. An
// empty table leaves SiteCount 0 and SiteList as it was. A database that cannot be opened is
// reported by openHDB and leaves the list as it was; other failures (no table rsite, more than
// 32767 records) raise vb::Error to the caller.
void getrsite(Session& s);

}  // namespace fw
