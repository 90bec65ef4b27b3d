#include "app/print/PrinterFaults.h"

#include "app/controls/DropDst.h"
#include "print/JwPrinter.h"

#include <QCoreApplication>
#include <stdexcept>

namespace vellora {

namespace {

// lupdate files these free functions' tr() under the namespace's name.
QString tr(const char *text)
{
    return QCoreApplication::translate("vellora", text);
}

} // namespace

TPrinterFault ServerDownFault(const QString &printer)
{
    const QString text = printer.isEmpty()
                             ? tr("印刷サーバーが応答しないため、印刷できません。")
                             : tr("印刷サーバーが応答しないため、プリンタ「%1」に印刷できません。").arg(printer);
    return {tr("印刷サーバーに接続できません"),
            text + tr("印刷サーバーが動いているか確かめてください。応答が戻ればプリンタの一覧も戻ります。")};
}

QString RefusalReason(const TPrinterEntry &entry)
{
    return entry.stateMessage.isEmpty() ? tr("印刷の受け付けが停止されています。") : entry.stateMessage;
}

TPrinterFault RefusalFault(const TPrinterEntry &entry)
{
    return {tr("プリンタが印刷を受け付けていません"),
            tr("プリンタ「%1」は現在印刷を受け付けていないため、印刷できません。\n理由: %2")
                .arg(entry.name, RefusalReason(entry))};
}

TPrinterFault PrinterFaultOf(const std::exception &e, const QString &printer)
{
    if (dynamic_cast<const EJwPrinterServerDown *>(&e))
        return ServerDownFault(printer);
    if (dynamic_cast<const EJwPrinterNoPrinter *>(&e))
        return {tr("プリンタがありません"), tr("プリンタがインストールされていないため、印刷できません。")};
    const QString what = QString::fromUtf8(e.what());
    if (printer.isEmpty())
        return {tr("プリンタのエラー"), what};
    return {tr("プリンタ「%1」を使えません").arg(printer),
            tr("プリンタ「%1」の設定を読み書きできませんでした。プリンタが削除されたか、印刷サーバーが応答していない"
               "可能性があります。\n詳細: %2")
                .arg(printer, what)};
}

bool RunPrinterCommand(QWidget *parent, const QString &printer, const std::function<void()> &command,
                       const TFaultShow &show)
{
    TPrinterFault fault;
    try {
        command();
        return true;
    } catch (const std::exception &e) {
        fault = PrinterFaultOf(e, printer);
    } catch (...) {
        fault = {tr("プリンタのエラー"), tr("不明なエラーが発生しました。")};
    }
    // Shown outside the handler: the box runs an event loop of its own.
    if (show)
        show(fault);
    else
        ShowException(parent, std::runtime_error((fault.instruction + QLatin1Char('\n') + fault.text).toStdString()));
    return false;
}

} // namespace vellora
