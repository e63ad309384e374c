// Form1's web links, help windows and About box. Each web item opens its page in the
// browser; the addresses were read from the settings file at start-up.

#include "form1.h"

#include "open_link.h"

namespace halvion {

namespace {

void openAddress(const std::string &address)
{
    OpenLink(QString::fromStdString(address));
}

} // namespace

void Form1::GoToNCDXFWebSite_Click() { openAddress(state_.NcdxfWebAddress); }
void Form1::Greyline_Click() { openAddress(state_.GreylineWebAddress); }
void Form1::Propagation_Click() { openAddress(state_.PropWebAddress); }
void Form1::LatestWWV_Click() { openAddress(state_.WwvWebAddress); }
void Form1::DXPeditions_Click() { openAddress(state_.DxPeditionsWebAddress); }
void Form1::Latest425_Click() { openAddress(state_.Bulletin425WebAddress); }
void Form1::WebSite_Click() { OpenLink(QString::fromUtf8(HomePageAddress)); }

void Form1::PgmDes_Click() { Q_EMIT instructionsRequested(); }
void Form1::PgmInstructionsMenu_Click() { Q_EMIT descriptionRequested(); }
void Form1::AboutMenu_Click() { Q_EMIT aboutRequested(); }

} // namespace halvion
