#include "app/ReadProblems.h"

#include <QCoreApplication>
#include <iterator>

namespace vellora {

QString ReadProblemText(const QString &problem) {
    // By the part of the text that names the cause; the first match wins.
    static const struct {
        const char *english;
        const char *japanese;
    } kKnown[] = {
        {"the call was cancelled", QT_TRANSLATE_NOOP("ReadProblems", "読み込みを中止しました")},
        {"Susie Plugins could not decode", QT_TRANSLATE_NOOP("ReadProblems", "画像プラグインで読み込める形式ではありません")},
        {"disabled for this session", QT_TRANSLATE_NOOP("ReadProblems", "画像プラグインがこのセッションでは使えません")},
        {"contains no image", QT_TRANSLATE_NOOP("ReadProblems", "JPEG データに画像が含まれていません")},
        {"Premature end", QT_TRANSLATE_NOOP("ReadProblems", "JPEG データが途中で終わっています")},
        {"damaged JPEG header", QT_TRANSLATE_NOOP("ReadProblems", "JPEG のヘッダーが壊れています")},
        {"not a JPEG file", QT_TRANSLATE_NOOP("ReadProblems", "JPEG ファイルではありません")},
        {"empty file", QT_TRANSLATE_NOOP("ReadProblems", "ファイルが空です")},
        {"not an image file", QT_TRANSLATE_NOOP("ReadProblems", "画像ファイルではありません")},
        {"not a regular file", QT_TRANSLATE_NOOP("ReadProblems", "通常のファイルではありません")},
        {"No such file", QT_TRANSLATE_NOOP("ReadProblems", "ファイルが見つかりません")},
        {"Permission denied", QT_TRANSLATE_NOOP("ReadProblems", "ファイルを読む権限がありません")},
        {"cannot decode", QT_TRANSLATE_NOOP("ReadProblems", "画像データを解読できません")},
        {"cannot be decoded", QT_TRANSLATE_NOOP("ReadProblems", "画像データを解読できません")},
    };
    for (const auto &k : kKnown)
        if (problem.contains(QLatin1String(k.english), Qt::CaseInsensitive))
            return QCoreApplication::translate("ReadProblems", k.japanese);
    return QCoreApplication::translate("ReadProblems", "画像データを読み込めません");
}

} // namespace vellora
