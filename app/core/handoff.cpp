#include "app/core/handoff.h"

#include "db/query.h"
#include "db/sqltext.h"
#include "text/text.h"

namespace app {

bool CheckFinestCode(db::Query& aux, const std::string& code) {
    aux.close();
    aux.setText("SELECT ICD10_FLAG FROM ICD10 WHERE ICD10_NO =" + db::SqlLiteral(code) + " ");
    aux.open();
    std::string flag = aux.eof() ? std::string() : aux.field("ICD10_FLAG");
    return flag == "Y";
}

void HandOffCode(Desktop& desktop, const std::string& code) {
    auto window = desktop.findTopLevelWindow(ConsultationWindowTitle);
    if (!window) return;
    desktop.setClipboardText(HandOffPrefix + code);
    desktop.bringToFront(*window);
    desktop.restore(*window);
}

HandOffOutcome HandOffFinestCode(AppContext& ctx, db::Query& aux, const std::string& rawCode) {
    const std::string code = text::Trim(rawCode);
    if (code.empty()) return HandOffOutcome::NoCode;
    if (!CheckFinestCode(aux, code)) {
        ctx.messages.show(NotFinestMessage);
        return HandOffOutcome::NotFinest;
    }
    HandOffCode(ctx.desktop, code);
    return HandOffOutcome::HandedOff;
}

bool ConsultationWindowExists(Desktop& desktop) {
    return desktop.findTopLevelWindow(ConsultationWindowTitle).has_value();
}

} // namespace app
