<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>PluginStatus</name>
    <message>
        <source>%1。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像プラグイン「%1」: %2。このプラグインは、このセッションでは使われません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像プラグイン「%1」: %2。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像プラグインで問題が起きました</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像プラグイン</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>形式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>状態</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>使用不可: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像の読み込みには使われません（種類 %1）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>読み込み済み（問題あり: %1）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>読み込み済み</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（プラグインは見つかりません）</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>写真の解像度を確かめています</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ほか %1 枚</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>解像度の低い写真があります</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>次の写真は %1 ppi 未満で印刷されるため、ぼやけて見えることがあります。

%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>続行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>今後表示しない</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ReadProblems</name>
    <message>
        <source>読み込みを中止しました</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像プラグインで読み込める形式ではありません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像プラグインがこのセッションでは使えません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JPEG データに画像が含まれていません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JPEG データが途中で終わっています</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JPEG のヘッダーが壊れています</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JPEG ファイルではありません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイルが空です</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像ファイルではありません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイルが見つかりません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイルを読む権限がありません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像データを解読できません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像データを読み込めません</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TDriverOptionsPanel</name>
    <message>
        <source>用紙サイズ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>給紙方法</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfrmPrint</name>
    <message>
        <source>%1（受付停止中）</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora</name>
    <message>
        <source>印刷サーバーが応答しないため、印刷できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷サーバーが応答しないため、プリンタ「%1」に印刷できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷サーバーに接続できません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷サーバーが動いているか確かめてください。応答が戻ればプリンタの一覧も戻ります。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷の受け付けが停止されています。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタが印刷を受け付けていません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタ「%1」は現在印刷を受け付けていないため、印刷できません。
理由: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタがありません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタがインストールされていないため、印刷できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタのエラー</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタ「%1」を使えません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタ「%1」の設定を読み書きできませんでした。プリンタが削除されたか、印刷サーバーが応答していない可能性があります。
詳細: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不明なエラーが発生しました。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TFontControls</name>
    <message>
        <source>文字サイズは %1 から %2 までの整数で指定してください。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TJwPrinterSetupDialog</name>
    <message>
        <source>状態:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷ダイアログで選んだプリンタの設定です。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷を受け付けています</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷を受け付けていません（%1）</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TNumberEdit</name>
    <message>
        <source>%1 から %2 までの数値を入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 以上の数値を入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 以下の数値を入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数値を入力してください。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TPreviewResolution</name>
    <message>
        <source>エリア %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>エリア %1: %2 ppi (解像度不足)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>エリア %1: %2 ppi</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TPrinterColorPanel</name>
    <message>
        <source>カラープロファイル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>なし</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ファイル...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プロファイル</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>知覚的</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相対的な色域を維持</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>マッチング方法</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>黒点の補正を使用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>カラープロファイルを選択</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ICC プロファイル (*.icc *.icm *.ICC *.ICM)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TTaskDialogXPForm</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>再試行(&amp;R)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TfrmAreaSize</name>
    <message>
        <source>余白の配分と間隔を保って調整する</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TfrmImagePrev</name>
    <message>
        <source>画像を読み込めません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>読み込み中…
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>画像を読み込めません: %1。
%2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TfrmLayout</name>
    <message>
        <source>標準の用紙サイズから選ぶ (ファイルへの書き出し用)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>用紙全体に背景を印刷する</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>キャプション</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>なし</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写真の下</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写真の上</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写真の内側 (下端)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>既定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>テキスト</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>位置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>高さ(mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文字サイズ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>キャプションの高さが大きすぎて写真エリアに収まりません。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TfrmOption</name>
    <message>
        <source>カラーマネジメントを行う</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写真の埋め込みカラープロファイルに従って色を sRGB に変換し、出力に sRGB プロファイルを付けます</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TfrmPrev</name>
    <message>
        <source>ソフトプルーフ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタのカラープロファイルで印刷結果を再現</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>色域外を表示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタで再現できない色を灰色で表示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ソフトプルーフを表示できません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタのカラープロファイルが設定されていません。プリンタの設定で選んでください。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vellora::TfrmPrint</name>
    <message>
        <source>プリンタがインストールされていないため、印刷できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>このプリンタは部数の指定に対応していないため、ページを繰り返して部数分を印刷します。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>状態: 印刷を受け付けていません（%1）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタ「%1」が見つかりません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷するページがありません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>印刷データが存在しないため、印刷できません。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタがありません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタが見つかりません</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>プリンタ「%1」が見つからないため、印刷できません。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
