#pragma once
// The wizard's forecast page: the point-forecast rain line rebuilt from its boxes, the forecast's
// hourly rain listed from the database or from the last forecast retrieval ("forcast.txt"), the
// list's cumulative graph, the list saved as "forecast<DSID>.txt", and the coming hours loaded
// into four aligned edit columns for "Save Edit".
#include <string>

namespace fw {

struct Session;
struct WizardForm;

std::string ForecastSetupLine(const WizardForm& w);
// One line of the history list: value, time and source, three blanks between, then CR LF.
std::string forecastListLine(double value, double dateTime, const std::string& source);
// The list "Actual NWS" makes of the retrieval copy's text: its on-the-hour values, each time
// moved by `shiftHours`, up to `limit`. Raises vb::Error for a time that is no date.
std::string actualForecastList(const std::string& fileText, double shiftHours, double limit);

void forecastPageLoad(Session& s);
void txtForecast_Change(Session& s, int index);
void cmdActual_Click(Session& s);
void cmdRefreshForecast_Click(Session& s);
void cmdSaveForecastFile_Click(Session& s);
// The history lines selected (SelStart, SelLength of txtHistoryForecast) plotted and totalled.
void txtHistoryForecast_MouseUp(Session& s);
void cmdEditForecast_Click(Session& s);
void txtEditRain_Change(Session& s);
void txtEditRain_MouseUp(Session& s);
// Redraws the graph into the form's picture.
void drawForecastPicture(Session& s);
void Picture1_MouseDown(Session& s, double x);

}  // namespace fw
