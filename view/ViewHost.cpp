#include "ViewHost.h"

#include "CammerWidget.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"

QString gTempTime;

namespace {
// Stands in for the main window until it installs itself: its own fields,
// no cameras, nothing asked.
class StandAloneHost : public ViewHost {
public:
    CycleState& cycle() override { return m_cycle; }
    EditorState& editor() override { return m_editor; }
    int cameraCount() const override { return 0; }
    CammerWidget* cameraWidget(int) override { return nullptr; }

private:
    CycleState m_cycle;
    EditorState m_editor;
};

ViewHost* g_host = nullptr;
}  // namespace

QString ViewHost::cavityName(int, int k) const
{
    // The default names until the cavity editor names them.
    return LanStr(k < 8 ? 460 + k : 596 + k - 8);
}

ViewHost& ViewHost::instance()
{
    static StandAloneHost standAlone;
    return g_host ? *g_host : standAlone;
}

void ViewHost::setInstance(ViewHost* host)
{
    g_host = host;
}

const WizardPara& LiveParams()
{
    static const WizardPara fallback;
    return gpWPara ? *gpWPara : fallback;
}
