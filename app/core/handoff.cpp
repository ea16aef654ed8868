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

bool HandOffCode(Desktop& desktop, const std::string& code) {
    auto window = desktop.findTopLevelWindow(ConsultationWindowTitle);
    if (!window) return false;
    desktop.setClipboardText(HandOffPrefix + code);
    desktop.bringToFront(*window);
    desktop.restore(*window);
    return true;
}

bool HandOffCodeOrTell(AppContext& ctx, const std::string& code) {
    if (HandOffCode(ctx.desktop, code)) return true;
    ctx.messages.show(ConsultationMissingMessage);
    return false;
}

HandOffOutcome HandOffFinestCode(AppContext& ctx, db::Query& aux, const std::string& rawCode) {
    const std::string code = text::Trim(rawCode);
    if (code.empty()) return HandOffOutcome::NoCode;
    if (!CheckFinestCode(aux, code)) {
        ctx.messages.show(NotFinestMessage);
        return HandOffOutcome::NotFinest;
    }
    return HandOffCodeOrTell(ctx, code) ? HandOffOutcome::HandedOff : HandOffOutcome::NoConsultationWindow;
}

bool ConsultationWindowExists(Desktop& desktop) {
    return desktop.findTopLevelWindow(ConsultationWindowTitle).has_value();
}

} // namespace app
