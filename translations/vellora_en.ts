<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>EntryCheck</name>
    <message>
        <source>ファイルが見つかりません。</source>
        <translation>File not found.</translation>
    </message>
    <message>
        <source>ファイルではありません。</source>
        <translation>Not a file.</translation>
    </message>
    <message>
        <source>ファイルを読み取る権限がありません。</source>
        <translation>You do not have permission to read the file.</translation>
    </message>
    <message>
        <source>ファイルを読み取れません。</source>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>空のファイルです。</source>
        <translation>The file is empty.</translation>
    </message>
    <message>
        <source>画像ファイルではないか、壊れています。</source>
        <translation>Not an image file, or the file is damaged.</translation>
    </message>
    <message>
        <source>画像が途中で切れています。</source>
        <translation>The image is truncated.</translation>
    </message>
</context>
<context>
    <name>ExportRun</name>
    <message>
        <source>フォルダがありません。</source>
        <translation>The folder does not exist.</translation>
    </message>
    <message>
        <source>書き込む権限がありません。</source>
        <translation>You do not have permission to write here.</translation>
    </message>
    <message>
        <source>読み取り専用の場所です。</source>
        <translation>The location is read-only.</translation>
    </message>
    <message>
        <source>ディスクの空き容量が足りません。</source>
        <translation>There is not enough free disk space.</translation>
    </message>
    <message>
        <source>ディスクの使用量の制限を超えました。</source>
        <translation>The disk quota has been exceeded.</translation>
    </message>
    <message>
        <source>同じ名前のフォルダがあります。</source>
        <translation>A folder with the same name exists.</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます。</source>
        <translation>The file name is too long.</translation>
    </message>
    <message>
        <source>ディスクに書き込めません。</source>
        <translation>Cannot write to the disk.</translation>
    </message>
    <message>
        <source>書き込めません（%1）。</source>
        <translation>Cannot write (%1).</translation>
    </message>
    <message>
        <source>フォルダ「%1」がありません。</source>
        <translation>The folder &quot;%1&quot; does not exist.</translation>
    </message>
    <message>
        <source>「%1」はフォルダではありません。</source>
        <translation>&quot;%1&quot; is not a folder.</translation>
    </message>
    <message>
        <source>フォルダ「%1」に書き込めません。%2</source>
        <translation>Cannot write to the folder &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>「%1」と同じ名前のフォルダがあるため、ファイルを書き込めません。</source>
        <translation>Cannot write the file because a folder named &quot;%1&quot; exists.</translation>
    </message>
    <message>
        <source>「%1」は通常のファイルではないため、書き込めません。</source>
        <translation>Cannot write &quot;%1&quot; because it is not a regular file.</translation>
    </message>
    <message>
        <source>「%1」に書き込めません。%2</source>
        <translation>Cannot write to &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>「%1」に書き込めませんでした。%2</source>
        <translation>Could not write to &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>「%1」に書き込めませんでした。ディスクの空き容量などを確認してください。</source>
        <translation>Could not write to &quot;%1&quot;. Check the free disk space.</translation>
    </message>
    <message>
        <source>「%1」を作れませんでした。
%2</source>
        <translation>Could not create &quot;%1&quot;.
%2</translation>
    </message>
    <message>
        <source>ファイルがありません</source>
        <translation>File missing</translation>
    </message>
    <message>
        <source>画像の一部しか読み取れません</source>
        <translation>Only part of the image could be read</translation>
    </message>
    <message>
        <source>画像を読み取れません</source>
        <translation>The image cannot be read</translation>
    </message>
    <message>
        <source>%1 (%2ページ %3番目の枠): %4 - %5（%6）</source>
        <translation>%1 (page %2, area %3): %4 - %5 (%6)</translation>
    </message>
    <message>
        <source>一部だけ印刷</source>
        <translation>printed in part</translation>
    </message>
    <message>
        <source>枠は空白</source>
        <translation>area left blank</translation>
    </message>
    <message>
        <source>%1 (%2ページ %3番目の枠): %4 ppi - 解像度が低いため、ぼやけて印刷される場合があります</source>
        <translation>%1 (page %2, area %3): %4 ppi - the resolution is low, so the print may look blurred</translation>
    </message>
    <message>
        <source>ほか %1 件</source>
        <translation>and %1 more</translation>
    </message>
</context>
<context>
    <name>PluginStatus</name>
    <message>
        <source>%1。</source>
        <translation>%1.</translation>
    </message>
    <message>
        <source>画像プラグイン「%1」: %2。このプラグインは、このセッションでは使われません。</source>
        <translation>Image plug-in &quot;%1&quot;: %2. The plug-in is not used for the rest of this session.</translation>
    </message>
    <message>
        <source>画像プラグイン「%1」: %2。</source>
        <translation>Image plug-in &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <source>画像プラグインで問題が起きました</source>
        <translation>An image plug-in ran into a problem</translation>
    </message>
    <message>
        <source>画像プラグイン</source>
        <translation>Image plug-ins</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>形式</source>
        <translation>Formats</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>State</translation>
    </message>
    <message>
        <source>使用不可: %1</source>
        <translation>Unavailable: %1</translation>
    </message>
    <message>
        <source>画像の読み込みには使われません（種類 %1）</source>
        <translation>Not used for reading images (type %1)</translation>
    </message>
    <message>
        <source>読み込み済み（問題あり: %1）</source>
        <translation>Loaded (problem: %1)</translation>
    </message>
    <message>
        <source>読み込み済み</source>
        <translation>Loaded</translation>
    </message>
    <message>
        <source>（プラグインは見つかりません）</source>
        <translation>(no plug-ins found)</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>写真の解像度を確かめています</source>
        <translation>Checking photo resolution</translation>
    </message>
    <message>
        <source>ほか %1 枚</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>解像度の低い写真があります</source>
        <translation>Some photos have a low resolution</translation>
    </message>
    <message>
        <source>次の写真は %1 ppi 未満で印刷されるため、ぼやけて見えることがあります。

%2</source>
        <translation>The following photos will be printed at less than %1 ppi and may look blurred.

%2</translation>
    </message>
    <message>
        <source>続行</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>今後表示しない</source>
        <translation>Don&apos;t show this again</translation>
    </message>
</context>
<context>
    <name>ReadProblems</name>
    <message>
        <source>読み込みを中止しました</source>
        <translation>reading was cancelled</translation>
    </message>
    <message>
        <source>画像プラグインで読み込める形式ではありません</source>
        <translation>no image plug-in can read this format</translation>
    </message>
    <message>
        <source>画像プラグインがこのセッションでは使えません</source>
        <translation>the image plug-in is unavailable for this session</translation>
    </message>
    <message>
        <source>JPEG データに画像が含まれていません</source>
        <translation>the JPEG data contains no image</translation>
    </message>
    <message>
        <source>JPEG データが途中で終わっています</source>
        <translation>the JPEG data ends prematurely</translation>
    </message>
    <message>
        <source>JPEG のヘッダーが壊れています</source>
        <translation>the JPEG header is damaged</translation>
    </message>
    <message>
        <source>JPEG ファイルではありません</source>
        <translation>not a JPEG file</translation>
    </message>
    <message>
        <source>ファイルが空です</source>
        <translation>the file is empty</translation>
    </message>
    <message>
        <source>画像ファイルではありません</source>
        <translation>not an image file</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>ファイルが見つかりません</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>ファイルを読む権限がありません</source>
        <translation>no permission to read the file</translation>
    </message>
    <message>
        <source>画像データを解読できません</source>
        <translation>the image data cannot be decoded</translation>
    </message>
    <message>
        <source>画像データを読み込めません</source>
        <translation>the image data cannot be read</translation>
    </message>
</context>
<context>
    <name>Recovery</name>
    <message>
        <source>フォルダを作れません。</source>
        <translation>Cannot create the folder.</translation>
    </message>
    <message>
        <source>フォルダに書き込む権限がありません。</source>
        <translation>You do not have permission to write to the folder.</translation>
    </message>
    <message>
        <source>ロックファイルを作れません。</source>
        <translation>Cannot create the lock file.</translation>
    </message>
</context>
<context>
    <name>TDriverOptionsPanel</name>
    <message>
        <source>用紙サイズ</source>
        <translation>Paper size</translation>
    </message>
    <message>
        <source>給紙方法</source>
        <translation>Paper source</translation>
    </message>
</context>
<context>
    <name>TfrmPrint</name>
    <message>
        <source>%1（受付停止中）</source>
        <translation>%1 (not accepting jobs)</translation>
    </message>
</context>
<context>
    <name>vellora</name>
    <message>
        <source>印刷サーバーが応答しないため、印刷できません。</source>
        <translation>Cannot print because the print server does not respond.</translation>
    </message>
    <message>
        <source>印刷サーバーが応答しないため、プリンタ「%1」に印刷できません。</source>
        <translation>Cannot print to &quot;%1&quot; because the print server does not respond.</translation>
    </message>
    <message>
        <source>印刷サーバーに接続できません</source>
        <translation>Cannot connect to the print server</translation>
    </message>
    <message>
        <source>印刷サーバーが動いているか確かめてください。応答が戻ればプリンタの一覧も戻ります。</source>
        <translation> Check that the print server is running. The printer list comes back when it responds again.</translation>
    </message>
    <message>
        <source>印刷の受け付けが停止されています。</source>
        <translation>The printer has stopped accepting jobs.</translation>
    </message>
    <message>
        <source>プリンタが印刷を受け付けていません</source>
        <translation>The printer is not accepting jobs</translation>
    </message>
    <message>
        <source>プリンタ「%1」は現在印刷を受け付けていないため、印刷できません。
理由: %2</source>
        <translation>Cannot print because the printer &quot;%1&quot; is not accepting jobs at the moment.
Reason: %2</translation>
    </message>
    <message>
        <source>プリンタがありません</source>
        <translation>No printer</translation>
    </message>
    <message>
        <source>プリンタがインストールされていないため、印刷できません。</source>
        <translation>Cannot print because no printer is installed.</translation>
    </message>
    <message>
        <source>プリンタのエラー</source>
        <translation>Printer error</translation>
    </message>
    <message>
        <source>プリンタ「%1」を使えません</source>
        <translation>Cannot use the printer &quot;%1&quot;</translation>
    </message>
    <message>
        <source>プリンタ「%1」の設定を読み書きできませんでした。プリンタが削除されたか、印刷サーバーが応答していない可能性があります。
詳細: %2</source>
        <translation>Could not read or write the settings of the printer &quot;%1&quot;. The printer may have been removed, or the print server may not be responding.
Details: %2</translation>
    </message>
    <message>
        <source>不明なエラーが発生しました。</source>
        <translation>An unknown error occurred.</translation>
    </message>
    <message>
        <source>ファイルが見つかりません</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>Exif、またはDCF形式ではありません</source>
        <translation>Not in Exif or DCF format</translation>
    </message>
    <message>
        <source>ユーザコメントは不明な形式です</source>
        <translation>The user comment is in an unknown format</translation>
    </message>
    <message>
        <source>ASCII文字以外は書き込みできません</source>
        <translation>Only ASCII characters can be written</translation>
    </message>
    <message>
        <source>不正なストリーム</source>
        <translation>Invalid stream</translation>
    </message>
    <message>
        <source>不正なインデックス</source>
        <translation>Invalid index</translation>
    </message>
    <message>
        <source>タグが見つかりません</source>
        <translation>Tag not found</translation>
    </message>
    <message>
        <source>日時は不明です</source>
        <translation>The date and time are unknown</translation>
    </message>
    <message>
        <source>不明なエラーです</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>ファイルがありません。</source>
        <translation>The file does not exist.</translation>
    </message>
    <message>
        <source>ファイルを読み取る権限がありません。</source>
        <translation>You do not have permission to read the file.</translation>
    </message>
    <message>
        <source>フォルダはドキュメントとして開けません。</source>
        <translation>A folder cannot be opened as a document.</translation>
    </message>
    <message>
        <source>ディスクから読み取れません。</source>
        <translation>Cannot read from the disk.</translation>
    </message>
    <message>
        <source>ファイルを読み取れません（%1）。</source>
        <translation>The file cannot be read (%1).</translation>
    </message>
    <message>
        <source>ファイルを読み取れません。</source>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>Vellora のドキュメントではありません。</source>
        <translation>Not a Vellora document.</translation>
    </message>
    <message>
        <source>ファイルが壊れているか、途中で切れています。</source>
        <translation>The file is damaged or truncated.</translation>
    </message>
    <message>
        <source>新しいバージョンの Vellora で作られたドキュメントのため読み取れません（またはファイルが壊れています）。</source>
        <translation>The document was made by a newer version of Vellora and cannot be read (or the file is damaged).</translation>
    </message>
    <message>
        <source> バイト</source>
        <translation> bytes</translation>
    </message>
    <message>
        <source>(なし)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>%1×%2 ピクセル</source>
        <translation>%1 × %2 pixels</translation>
    </message>
    <message>
        <source>新規の用紙</source>
        <translation>New paper</translation>
    </message>
    <message>
        <source>ページ (%1 × %2 ピクセル) を作るメモリが足りません。用紙サイズか解像度を小さくしてください。</source>
        <translation>There is not enough memory to make a page of %1 × %2 pixels. Choose a smaller paper size or resolution.</translation>
    </message>
    <message>
        <source>%1: %2 ppi (%3 ページ、エリア %4)</source>
        <translation>%1: %2 ppi (page %3, area %4)</translation>
    </message>
    <message>
        <source>用紙の幅と高さは %1 mm から %2 mm までで指定してください。</source>
        <translation>Give the paper width and height from %1 mm to %2 mm.</translation>
    </message>
    <message>
        <source>指定した固定のテキストが入ります。</source>
        <translation>The fixed text you enter goes here.</translation>
    </message>
    <message>
        <source>サンプルファイル名.jpg</source>
        <translation>SampleFileName.jpg</translation>
    </message>
    <message>
        <source>画像に設定したコメントが入ります。</source>
        <translation>The image&apos;s comment goes here.</translation>
    </message>
    <message>
        <source>Exifのユーザーコメントが入ります。</source>
        <translation>The Exif user comment goes here.</translation>
    </message>
    <message>
        <source>(透明)</source>
        <translation>(transparent)</translation>
    </message>
    <message>
        <source>アイコン</source>
        <translation>Icon</translation>
    </message>
    <message>
        <source>ドキュメントの読み取りに失敗しました。</source>
        <translation>The document could not be read.</translation>
    </message>
    <message>
        <source>ドキュメントの保存に失敗しました。</source>
        <translation>The document could not be saved.</translation>
    </message>
    <message>
        <source>補助プログラム %1 を実行できないため、画像プラグインは使われません</source>
        <translation>The helper program %1 cannot be run, so picture plug-ins are not used</translation>
    </message>
    <message>
        <source>プラグインの補助プロセスが応答しなくなりました</source>
        <translation>The plug-in helper process stopped responding</translation>
    </message>
    <message>
        <source>プラグインが異常終了しました（シグナル %1）</source>
        <translation>The plug-in crashed (signal %1)</translation>
    </message>
    <message>
        <source>プラグインが処理の途中で終了しました（終了コード %1）</source>
        <translation>The plug-in quit in the middle of its work (exit code %1)</translation>
    </message>
    <message>
        <source>%1 秒以内に応答がなかったため、呼び出しを打ち切りました</source>
        <translation>The call was stopped because there was no answer within %1 seconds</translation>
    </message>
    <message>
        <source>プラグインの補助プロセスが不正な応答を返しました</source>
        <translation>The plug-in helper process sent an invalid answer</translation>
    </message>
    <message>
        <source>プラグインが不正な画像データを返しました（%1）</source>
        <translation>The plug-in returned invalid picture data (%1)</translation>
    </message>
</context>
<context>
    <name>vellora::TColorBox</name>
    <message>
        <source>黒</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>マルーン</source>
        <translation>Maroon</translation>
    </message>
    <message>
        <source>緑</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>オリーブ</source>
        <translation>Olive</translation>
    </message>
    <message>
        <source>紺</source>
        <translation>Navy</translation>
    </message>
    <message>
        <source>紫</source>
        <translation>Purple</translation>
    </message>
    <message>
        <source>ティール</source>
        <translation>Teal</translation>
    </message>
    <message>
        <source>灰色</source>
        <translation>Gray</translation>
    </message>
    <message>
        <source>銀</source>
        <translation>Silver</translation>
    </message>
    <message>
        <source>赤</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>ライム</source>
        <translation>Lime</translation>
    </message>
    <message>
        <source>黄</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>青</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>赤紫</source>
        <translation>Fuchsia</translation>
    </message>
    <message>
        <source>水色</source>
        <translation>Aqua</translation>
    </message>
    <message>
        <source>白</source>
        <translation>White</translation>
    </message>
    <message>
        <source>その他...</source>
        <translation>More...</translation>
    </message>
</context>
<context>
    <name>vellora::TDriverOptionsPanel</name>
    <message>
        <source>「%1」が「%2」</source>
        <translation>&quot;%1&quot; is &quot;%2&quot;</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>のため選べません</source>
        <translation> - not available</translation>
    </message>
    <message>
        <source>プリンタ固有の設定</source>
        <translation>Printer-specific settings</translation>
    </message>
    <message>
        <source>既定値に戻す</source>
        <translation>Restore defaults</translation>
    </message>
    <message>
        <source>(プリンタの既定)</source>
        <translation>(printer default)</translation>
    </message>
    <message>
        <source>プリンタに取り付けられた装置の設定です。</source>
        <translation>Settings of the options installed in the printer.</translation>
    </message>
</context>
<context>
    <name>vellora::TFontControls</name>
    <message>
        <source>文字サイズは %1 から %2 までの整数で指定してください。</source>
        <translation>Enter a font size as a whole number from %1 to %2.</translation>
    </message>
</context>
<context>
    <name>vellora::TJwPrinterSetupDialog</name>
    <message>
        <source>状態:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>印刷ダイアログで選んだプリンタの設定です。</source>
        <translation>Settings of the printer chosen in the Print dialog.</translation>
    </message>
    <message>
        <source>印刷を受け付けています</source>
        <translation>Accepting jobs</translation>
    </message>
    <message>
        <source>印刷を受け付けていません（%1）</source>
        <translation>Not accepting jobs (%1)</translation>
    </message>
    <message>
        <source>縦(&amp;O)</source>
        <translation>P&amp;ortrait</translation>
    </message>
    <message>
        <source>横(&amp;A)</source>
        <translation>L&amp;andscape</translation>
    </message>
    <message>
        <source>プリンタの設定</source>
        <translation>Printer Setup</translation>
    </message>
    <message>
        <source>プリンタ</source>
        <translation>Printer</translation>
    </message>
    <message>
        <source>プリンタ名(&amp;N):</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>場所:</source>
        <translation>Location:</translation>
    </message>
    <message>
        <source>用紙</source>
        <translation>Paper</translation>
    </message>
    <message>
        <source>サイズ(&amp;Z):</source>
        <translation>Si&amp;ze:</translation>
    </message>
    <message>
        <source>給紙方法(&amp;S):</source>
        <translation>&amp;Source:</translation>
    </message>
    <message>
        <source>印刷の向き</source>
        <translation>Orientation</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>プリンタがインストールされていません。</source>
        <translation>No printer is installed.</translation>
    </message>
</context>
<context>
    <name>vellora::TNumberEdit</name>
    <message>
        <source>%1 から %2 までの数値を入力してください。</source>
        <translation>Enter a number from %1 to %2.</translation>
    </message>
    <message>
        <source>%1 以上の数値を入力してください。</source>
        <translation>Enter a number of %1 or more.</translation>
    </message>
    <message>
        <source>%1 以下の数値を入力してください。</source>
        <translation>Enter a number of %1 or less.</translation>
    </message>
    <message>
        <source>数値を入力してください。</source>
        <translation>Enter a number.</translation>
    </message>
</context>
<context>
    <name>vellora::TOrderPreview</name>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>撮影日時</source>
        <translation>Date taken</translation>
    </message>
    <message>
        <source>更新日時</source>
        <translation>Date modified</translation>
    </message>
</context>
<context>
    <name>vellora::TPictureControls</name>
    <message>
        <source>線の種類</source>
        <translation>Line style</translation>
    </message>
    <message>
        <source>色</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>線幅</source>
        <translation>Line width</translation>
    </message>
    <message>
        <source>透過色</source>
        <translation>Transparent color</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>vellora::TPreviewResolution</name>
    <message>
        <source>エリア %1</source>
        <translation>Area %1</translation>
    </message>
    <message>
        <source>エリア %1: %2 ppi (解像度不足)</source>
        <translation>Area %1: %2 ppi (resolution too low)</translation>
    </message>
    <message>
        <source>エリア %1: %2 ppi</source>
        <translation>Area %1: %2 ppi</translation>
    </message>
</context>
<context>
    <name>vellora::TPrinterColorPanel</name>
    <message>
        <source>カラープロファイル</source>
        <translation>Color profile</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>ファイル...</source>
        <translation>File...</translation>
    </message>
    <message>
        <source>プロファイル</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>知覚的</source>
        <translation>Perceptual</translation>
    </message>
    <message>
        <source>相対的な色域を維持</source>
        <translation>Relative colorimetric</translation>
    </message>
    <message>
        <source>マッチング方法</source>
        <translation>Rendering intent</translation>
    </message>
    <message>
        <source>黒点の補正を使用</source>
        <translation>Use black point compensation</translation>
    </message>
    <message>
        <source>カラープロファイルを選択</source>
        <translation>Choose a Color Profile</translation>
    </message>
    <message>
        <source>ICC プロファイル (*.icc *.icm *.ICC *.ICM)</source>
        <translation>ICC profiles (*.icc *.icm *.ICC *.ICM)</translation>
    </message>
</context>
<context>
    <name>vellora::TQvOpenPictureDialog</name>
    <message>
        <source>（</source>
        <translation> (</translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
</context>
<context>
    <name>vellora::TTaskDialogXPForm</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>再試行(&amp;R)</source>
        <translation>&amp;Retry</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>詳細情報の表示</source>
        <translation>Show details</translation>
    </message>
    <message>
        <source>詳細情報の非表示</source>
        <translation>Hide details</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmAdjust</name>
    <message>
        <source>印刷位置の微調整</source>
        <translation>Adjust Print Position</translation>
    </message>
    <message>
        <source>左に</source>
        <translation>Left by</translation>
    </message>
    <message>
        <source>右に</source>
        <translation>Right by</translation>
    </message>
    <message>
        <source>上に</source>
        <translation>Up by</translation>
    </message>
    <message>
        <source>下に</source>
        <translation>Down by</translation>
    </message>
    <message>
        <source>水平位置を</source>
        <translation>Move horizontally</translation>
    </message>
    <message>
        <source>mm移動する</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>垂直位置を</source>
        <translation>Move vertically</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmAreaProp</name>
    <message>
        <source>ドキュメントの設定に合わせる</source>
        <translation>Same as the document</translation>
    </message>
    <message>
        <source>エリア別設定</source>
        <translation>Area Settings</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>水平位置</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>中央</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>垂直位置</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>画像の回転</source>
        <translation>Image rotation</translation>
    </message>
    <message>
        <source>回転しない</source>
        <translation>No rotation</translation>
    </message>
    <message>
        <source>エリアの向きに合わせる</source>
        <translation>Match the area&apos;s orientation</translation>
    </message>
    <message>
        <source>90度回転</source>
        <translation>Rotate 90°</translation>
    </message>
    <message>
        <source>180度回転</source>
        <translation>Rotate 180°</translation>
    </message>
    <message>
        <source>270度回転</source>
        <translation>Rotate 270°</translation>
    </message>
    <message>
        <source>回転方法</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Placement</translation>
    </message>
    <message>
        <source>写真のサイズ</source>
        <translation>Photo size</translation>
    </message>
    <message>
        <source>写真全体を印刷する</source>
        <translation>Print the whole photo</translation>
    </message>
    <message>
        <source>エリア全体に印刷する</source>
        <translation>Fill the area</translation>
    </message>
    <message>
        <source>エリアより一回り大きく印刷する</source>
        <translation>Print slightly larger than the area</translation>
    </message>
    <message>
        <source>倍率を指定する</source>
        <translation>Set the scale</translation>
    </message>
    <message>
        <source>拡大・縮小を許可</source>
        <translation>Allow enlarging and reducing</translation>
    </message>
    <message>
        <source>拡大だけ許可</source>
        <translation>Allow enlarging only</translation>
    </message>
    <message>
        <source>縮小だけ許可</source>
        <translation>Allow reducing only</translation>
    </message>
    <message>
        <source>はみ出し量</source>
        <translation>Overflow</translation>
    </message>
    <message>
        <source>エリアからのはみ出し量</source>
        <translation>Overflow beyond the area</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>倍率</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>倍率制限</source>
        <translation>Scale limit</translation>
    </message>
    <message>
        <source>枠と背景の設定</source>
        <translation>Frame and Background</translation>
    </message>
    <message>
        <source>設定(&amp;F)...</source>
        <translation>Settin&amp;gs...</translation>
    </message>
    <message>
        <source>枠と背景</source>
        <translation>Frame and background</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmAreaSize</name>
    <message>
        <source>余白の配分と間隔を保って調整する</source>
        <translation>Keep the margin balance and spacing</translation>
    </message>
    <message>
        <source>エリアサイズの指定</source>
        <translation>Area Size</translation>
    </message>
    <message>
        <source>調整方法</source>
        <translation>Adjustment</translation>
    </message>
    <message>
        <source>余白を調整する</source>
        <translation>Adjust the margins</translation>
    </message>
    <message>
        <source>エリア間隔を優先して調整する</source>
        <translation>Keep the area spacing</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>横</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>縦</source>
        <translation>Height</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmBackground</name>
    <message>
        <source>(0: 不透明 ～ 100: 透明)</source>
        <translation>(0: opaque to 100: transparent)</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>実線</source>
        <translation>Solid</translation>
    </message>
    <message>
        <source>破線</source>
        <translation>Dash</translation>
    </message>
    <message>
        <source>点線</source>
        <translation>Dot</translation>
    </message>
    <message>
        <source>一点鎖線</source>
        <translation>Dash dot</translation>
    </message>
    <message>
        <source>二点鎖線</source>
        <translation>Dash dot dot</translation>
    </message>
    <message>
        <source>ベベル</source>
        <translation>Bevel</translation>
    </message>
    <message>
        <source>マイター</source>
        <translation>Miter</translation>
    </message>
    <message>
        <source>ラウンド</source>
        <translation>Round</translation>
    </message>
    <message>
        <source>スクエア</source>
        <translation>Square</translation>
    </message>
    <message>
        <source>フラット</source>
        <translation>Flat</translation>
    </message>
    <message>
        <source>枠と背景の設定</source>
        <translation>Frame and Background</translation>
    </message>
    <message>
        <source>線の結合部</source>
        <translation>Line join</translation>
    </message>
    <message>
        <source>線の終端</source>
        <translation>Line end</translation>
    </message>
    <message>
        <source>枠</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>単色塗りつぶし</source>
        <translation>Solid fill</translation>
    </message>
    <message>
        <source>グラデーション塗りつぶし</source>
        <translation>Gradient fill</translation>
    </message>
    <message>
        <source>イメージ</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>塗りつぶしの色</source>
        <translation>Fill color</translation>
    </message>
    <message>
        <source>透明度</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>横</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>縦</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>開始色</source>
        <translation>Start color</translation>
    </message>
    <message>
        <source>終了色</source>
        <translation>End color</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>サンプル</source>
        <translation>Sample</translation>
    </message>
    <message>
        <source>透過色の選択...</source>
        <translation>Transparent Color...</translation>
    </message>
    <message>
        <source>画像の変更(&amp;I)...</source>
        <translation>Change &amp;Image...</translation>
    </message>
    <message>
        <source>指定の色を透過する</source>
        <translation>Make a color transparent</translation>
    </message>
    <message>
        <source>実際のサイズで描画する</source>
        <translation>Actual size</translation>
    </message>
    <message>
        <source>拡大・縮小して全体に描画する</source>
        <translation>Stretch to fill</translation>
    </message>
    <message>
        <source>縦横比を保持したまま拡大・縮小する</source>
        <translation>Scale, keeping the aspect ratio</translation>
    </message>
    <message>
        <source>タイリングする</source>
        <translation>Tile</translation>
    </message>
    <message>
        <source>全体に描画されるようにする</source>
        <translation>Cover the whole area</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background color</translation>
    </message>
    <message>
        <source>透過色</source>
        <translation>Transparent color</translation>
    </message>
    <message>
        <source>スタイル</source>
        <translation>Style</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmComment</name>
    <message>
        <source>コメントの設定</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmDesigner</name>
    <message>
        <source>デザイナ</source>
        <translation>Designer</translation>
    </message>
    <message>
        <source>全体編集(&amp;A)</source>
        <translation>Edit &amp;All</translation>
    </message>
    <message>
        <source>全体編集モード</source>
        <translation>Edit the whole page</translation>
    </message>
    <message>
        <source>全</source>
        <translation>All</translation>
    </message>
    <message>
        <source>エリア編集(&amp;R)...</source>
        <translation>Edit A&amp;rea...</translation>
    </message>
    <message>
        <source>エリア編集モード</source>
        <translation>Edit one area</translation>
    </message>
    <message>
        <source>エ</source>
        <translation>Area</translation>
    </message>
    <message>
        <source>エリア変更(&amp;H)...</source>
        <translation>C&amp;hange Area...</translation>
    </message>
    <message>
        <source>エリア変更</source>
        <translation>Change the area</translation>
    </message>
    <message>
        <source>変</source>
        <translation>Chg</translation>
    </message>
    <message>
        <source>適用して閉じる(&amp;A)</source>
        <translation>&amp;Apply and Close</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>テキスト領域の追加(&amp;T)</source>
        <translation>Add &amp;Text Box</translation>
    </message>
    <message>
        <source>テキスト領域の追加</source>
        <translation>Add a text box</translation>
    </message>
    <message>
        <source>画像領域の追加(&amp;I)</source>
        <translation>Add &amp;Image Box</translation>
    </message>
    <message>
        <source>画像領域の追加</source>
        <translation>Add an image box</translation>
    </message>
    <message>
        <source>画</source>
        <translation>Img</translation>
    </message>
    <message>
        <source>領域のプロパティ(&amp;R)...</source>
        <translation>Box &amp;Properties...</translation>
    </message>
    <message>
        <source>プロパティ</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>領域の削除(&amp;D)</source>
        <translation>&amp;Delete Box</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>最前面へ(&amp;F)</source>
        <translation>Bring to &amp;Front</translation>
    </message>
    <message>
        <source>最前面へ</source>
        <translation>Bring to front</translation>
    </message>
    <message>
        <source>最背面へ(&amp;B)</source>
        <translation>Send to &amp;Back</translation>
    </message>
    <message>
        <source>最背面へ</source>
        <translation>Send to back</translation>
    </message>
    <message>
        <source>1つ前へ(&amp;N)</source>
        <translation>Bring For&amp;ward</translation>
    </message>
    <message>
        <source>1つ前へ</source>
        <translation>Bring forward</translation>
    </message>
    <message>
        <source>1つ後ろへ(&amp;P)</source>
        <translation>Send Bac&amp;kward</translation>
    </message>
    <message>
        <source>1つ後ろへ</source>
        <translation>Send backward</translation>
    </message>
    <message>
        <source>整列(&amp;O)...</source>
        <translation>Ali&amp;gn...</translation>
    </message>
    <message>
        <source>整列</source>
        <translation>Align</translation>
    </message>
    <message>
        <source>整</source>
        <translation>Aln</translation>
    </message>
    <message>
        <source>拡大(&amp;U)</source>
        <translation>Zoom &amp;In</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>縮小(&amp;D)</source>
        <translation>Zoom &amp;Out</translation>
    </message>
    <message>
        <source>縮小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>等倍(&amp;S)</source>
        <translation>Actual &amp;Size</translation>
    </message>
    <message>
        <source>等倍</source>
        <translation>Actual size</translation>
    </message>
    <message>
        <source>幅に合わせる(&amp;W)</source>
        <translation>Fit &amp;Width</translation>
    </message>
    <message>
        <source>幅に合わせる</source>
        <translation>Fit width</translation>
    </message>
    <message>
        <source>全体(&amp;A)</source>
        <translation>Fit &amp;All</translation>
    </message>
    <message>
        <source>全体</source>
        <translation>Fit all</translation>
    </message>
    <message>
        <source>グリッドのON/OFF(&amp;G)</source>
        <translation>Show &amp;Grid</translation>
    </message>
    <message>
        <source>グリッド</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>グリッドの設定(&amp;R)...</source>
        <translation>G&amp;rid Settings...</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>すべて選択(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>すべて選択</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>貼り付け(&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>貼り付け</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>複製(&amp;L)</source>
        <translation>Dup&amp;licate</translation>
    </message>
    <message>
        <source>複製</source>
        <translation>Duplicate</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>印刷領域(&amp;A)</source>
        <translation>&amp;Boxes</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>表示倍率</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>水平(&amp;X):</source>
        <translation>&amp;X:</translation>
    </message>
    <message>
        <source>垂直(&amp;Y):</source>
        <translation>&amp;Y:</translation>
    </message>
    <message>
        <source>幅(&amp;W):</source>
        <translation>&amp;Width:</translation>
    </message>
    <message>
        <source>高さ(&amp;H):</source>
        <translation>&amp;Height:</translation>
    </message>
    <message>
        <source>エリアサイズ: %1×%2 mm&#x3000;エリア番号: %3</source>
        <translation>Area size: %1 × %2 mm   Area: %3</translation>
    </message>
    <message>
        <source>用紙サイズ: %1×%2 mm</source>
        <translation>Paper size: %1 × %2 mm</translation>
    </message>
    <message>
        <source>移動</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>サイズ変更</source>
        <translation>Resize</translation>
    </message>
    <message>
        <source>領域の削除</source>
        <translation>Delete box</translation>
    </message>
    <message>
        <source>重なり順の変更</source>
        <translation>Change order</translation>
    </message>
    <message>
        <source>エリアの領域の変更</source>
        <translation>Change area</translation>
    </message>
    <message>
        <source>領域のプロパティ</source>
        <translation>Box properties</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmExport</name>
    <message>
        <source>エクスポート</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>エクスポート先フォルダ</source>
        <translation>Export to folder</translation>
    </message>
    <message>
        <source>エクスポート形式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>JPEGイメージ</source>
        <translation>JPEG image</translation>
    </message>
    <message>
        <source>PDFドキュメント</source>
        <translation>PDF document</translation>
    </message>
    <message>
        <source>出力ページ</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>すべて</source>
        <translation>All</translation>
    </message>
    <message>
        <source>指定</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>From</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>To</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>連番の開始番号</source>
        <translation>First sequence number</translation>
    </message>
    <message>
        <source>出力</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>実行(&amp;R)</source>
        <translation>&amp;Export</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>エクスポート.jpg</source>
        <translation>Export.jpg</translation>
    </message>
    <message>
        <source>%1 dpi, JPEG品質 %2 - </source>
        <translation>%1 dpi, JPEG quality %2 - </translation>
    </message>
    <message>
        <source>エクスポート先のフォルダを選択してください。</source>
        <translation>Choose the folder to export to.</translation>
    </message>
    <message>
        <source>エクスポート先を確認してください</source>
        <translation>Check the export destination</translation>
    </message>
    <message>
        <source>フォルダ「%1」がありません。</source>
        <translation>The folder &quot;%1&quot; does not exist.</translation>
    </message>
    <message>
        <source>フォルダ「%1」に書き込めません。</source>
        <translation>Cannot write to the folder &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>ファイル名に「/」は使えません。</source>
        <translation>A file name cannot contain &quot;/&quot;.</translation>
    </message>
    <message>
        <source>ファイル名を入力してください。</source>
        <translation>Enter a file name.</translation>
    </message>
    <message>
        <source>PDFの作成方法</source>
        <translation>PDF method</translation>
    </message>
    <message>
        <source>ページを画像にする</source>
        <translation>Pages as images</translation>
    </message>
    <message>
        <source>写真をそのまま埋め込む</source>
        <translation>Embed photos as they are</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmGrid</name>
    <message>
        <source>グリッドの設定</source>
        <translation>Grid Settings</translation>
    </message>
    <message>
        <source>グリッドを表示する</source>
        <translation>Show the grid</translation>
    </message>
    <message>
        <source>グリッドにスナップ</source>
        <translation>Snap to grid</translation>
    </message>
    <message>
        <source>原点の位置(用紙全体時のみ)</source>
        <translation>Origin (whole page only)</translation>
    </message>
    <message>
        <source>用紙端</source>
        <translation>Paper edge</translation>
    </message>
    <message>
        <source>写真エリア端</source>
        <translation>Photo area edge</translation>
    </message>
    <message>
        <source>グリッド間隔</source>
        <translation>Grid spacing</translation>
    </message>
    <message>
        <source>表示色</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmImageOpt</name>
    <message>
        <source>ドキュメントの設定に合わせる</source>
        <translation>Same as the document</translation>
    </message>
    <message>
        <source>写真エリアの設定に合わせる</source>
        <translation>Same as the photo area</translation>
    </message>
    <message>
        <source>個別に指定する</source>
        <translation>Set for this image</translation>
    </message>
    <message>
        <source>画像のプロパティ</source>
        <translation>Image Properties</translation>
    </message>
    <message>
        <source>位置揃え</source>
        <translation>Alignment</translation>
    </message>
    <message>
        <source>基準</source>
        <translation>Based on</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>中央</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>水平位置</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>垂直位置</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>写真全体が印刷されるようにする</source>
        <translation>Print the whole photo</translation>
    </message>
    <message>
        <source>エリア全体に印刷する</source>
        <translation>Fill the area</translation>
    </message>
    <message>
        <source>エリアより一回り大きく印刷する</source>
        <translation>Print slightly larger than the area</translation>
    </message>
    <message>
        <source>倍率を指定する</source>
        <translation>Set the scale</translation>
    </message>
    <message>
        <source>印刷方法</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>倍率</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>制限なし</source>
        <translation>No limit</translation>
    </message>
    <message>
        <source>拡大だけ許可</source>
        <translation>Allow enlarging only</translation>
    </message>
    <message>
        <source>縮小だけ許可</source>
        <translation>Allow reducing only</translation>
    </message>
    <message>
        <source>サイズ制限</source>
        <translation>Size limit</translation>
    </message>
    <message>
        <source>向き</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>回転しない</source>
        <translation>No rotation</translation>
    </message>
    <message>
        <source>エリアの向きに合わせる</source>
        <translation>Match the area&apos;s orientation</translation>
    </message>
    <message>
        <source>90度回転する</source>
        <translation>Rotate 90°</translation>
    </message>
    <message>
        <source>180度回転する</source>
        <translation>Rotate 180°</translation>
    </message>
    <message>
        <source>270度回転する</source>
        <translation>Rotate 270°</translation>
    </message>
    <message>
        <source>回転方法</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Placement</translation>
    </message>
    <message>
        <source>印刷枚数</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>部</source>
        <translation>copies</translation>
    </message>
    <message>
        <source>コメント</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>コメントの設定(&amp;M)...</source>
        <translation>Co&amp;mment...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmImagePrev</name>
    <message>
        <source>画像を読み込めません。</source>
        <translation>Cannot read the image.</translation>
    </message>
    <message>
        <source>読み込み中…
%1</source>
        <translation>Loading…
%1</translation>
    </message>
    <message>
        <source>画像を読み込めません: %1。
%2</source>
        <translation>Cannot read the image: %1.
%2</translation>
    </message>
    <message>
        <source>画像の確認</source>
        <translation>View Image</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>縮小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>等倍</source>
        <translation>100%</translation>
    </message>
    <message>
        <source>幅に合わせる</source>
        <translation>Fit width</translation>
    </message>
    <message>
        <source>全体</source>
        <translation>Fit all</translation>
    </message>
    <message>
        <source>先頭ページ</source>
        <translation>First</translation>
    </message>
    <message>
        <source>前ページ</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>次ページ</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>最終ページ</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>%1×%2 ピクセル</source>
        <translation>%1 × %2 pixels</translation>
    </message>
    <message>
        <source>/ ページなし</source>
        <translation>/ no pages</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmLayout</name>
    <message>
        <source>標準の用紙サイズから選ぶ (ファイルへの書き出し用)</source>
        <translation>Standard paper sizes (for export to files)</translation>
    </message>
    <message>
        <source>用紙全体に背景を印刷する</source>
        <translation>Print the background on the whole paper</translation>
    </message>
    <message>
        <source>キャプション</source>
        <translation>Caption</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>写真の下</source>
        <translation>Below the photo</translation>
    </message>
    <message>
        <source>写真の上</source>
        <translation>Above the photo</translation>
    </message>
    <message>
        <source>写真の内側 (下端)</source>
        <translation>Inside the photo (bottom)</translation>
    </message>
    <message>
        <source>既定</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>テキスト</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>高さ(mm)</source>
        <translation>Height (mm)</translation>
    </message>
    <message>
        <source>文字サイズ</source>
        <translation>Font size</translation>
    </message>
    <message>
        <source>キャプションの高さが大きすぎて写真エリアに収まりません。</source>
        <translation>The caption is too tall to fit in the photo area.</translation>
    </message>
    <message>
        <source>プリンタがインストールされていません。用紙サイズはカスタムサイズ (mm) で指定できます。</source>
        <translation>No printer is installed. You can give the paper size as a custom size (mm).</translation>
    </message>
    <message>
        <source>用紙レイアウトの設定</source>
        <translation>Page Layout</translation>
    </message>
    <message>
        <source>用紙サイズ</source>
        <translation>Paper size</translation>
    </message>
    <message>
        <source>基本レイアウト</source>
        <translation>Layout</translation>
    </message>
    <message>
        <source>写真エリア</source>
        <translation>Photo Areas</translation>
    </message>
    <message>
        <source>デザイナ(&amp;D)...</source>
        <translation>&amp;Designer...</translation>
    </message>
    <message>
        <source>エリア別設定(&amp;E)...</source>
        <translation>Ar&amp;ea Settings...</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>用紙の向き</source>
        <translation>Orientation</translation>
    </message>
    <message>
        <source>縦</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>横</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>カスタムサイズ (mm)</source>
        <translation>Custom size (mm)</translation>
    </message>
    <message>
        <source>用紙サイズを現在のプリンタに合わせる(&amp;A)...</source>
        <translation>M&amp;atch the Current Printer...</translation>
    </message>
    <message>
        <source>プリンタ変更(&amp;P)...</source>
        <translation>Change &amp;Printer...</translation>
    </message>
    <message>
        <source>現在のプリンタ</source>
        <translation>Current printer</translation>
    </message>
    <message>
        <source>用紙の余白 (mm)</source>
        <translation>Margins (mm)</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>写真エリアのサイズ(mm)</source>
        <translation>Photo area size (mm)</translation>
    </message>
    <message>
        <source>指定...</source>
        <translation>Set...</translation>
    </message>
    <message>
        <source>ページの分割</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>横の分割数</source>
        <translation>Columns</translation>
    </message>
    <message>
        <source>横の間隔</source>
        <translation>Column spacing</translation>
    </message>
    <message>
        <source>縦の分割数</source>
        <translation>Rows</translation>
    </message>
    <message>
        <source>縦の間隔</source>
        <translation>Row spacing</translation>
    </message>
    <message>
        <source>フォント</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>フォントの設定(&amp;F)...</source>
        <translation>&amp;Font...</translation>
    </message>
    <message>
        <source>写真の向き</source>
        <translation>Photo orientation</translation>
    </message>
    <message>
        <source>変更なし</source>
        <translation>Unchanged</translation>
    </message>
    <message>
        <source>エリアの向きに合わせる</source>
        <translation>Match the area&apos;s orientation</translation>
    </message>
    <message>
        <source>90度</source>
        <translation>90°</translation>
    </message>
    <message>
        <source>180度</source>
        <translation>180°</translation>
    </message>
    <message>
        <source>270度</source>
        <translation>270°</translation>
    </message>
    <message>
        <source>写真のサイズ</source>
        <translation>Photo size</translation>
    </message>
    <message>
        <source>写真全体を印刷する</source>
        <translation>Print the whole photo</translation>
    </message>
    <message>
        <source>エリア全体に印刷する</source>
        <translation>Fill the area</translation>
    </message>
    <message>
        <source>エリアより大きく印刷する</source>
        <translation>Print larger than the area</translation>
    </message>
    <message>
        <source>倍率の指定</source>
        <translation>Set the scale</translation>
    </message>
    <message>
        <source>拡大・縮小を許可</source>
        <translation>Allow enlarging and reducing</translation>
    </message>
    <message>
        <source>拡大だけ許可</source>
        <translation>Allow enlarging only</translation>
    </message>
    <message>
        <source>縮小だけを許可</source>
        <translation>Allow reducing only</translation>
    </message>
    <message>
        <source>印刷方法</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>エリアからのはみ出し量(mm)</source>
        <translation>Overflow beyond the area (mm)</translation>
    </message>
    <message>
        <source>倍率(%)</source>
        <translation>Scale (%)</translation>
    </message>
    <message>
        <source>サイズの制限</source>
        <translation>Size limit</translation>
    </message>
    <message>
        <source>エリア内での位置</source>
        <translation>Position in the area</translation>
    </message>
    <message>
        <source>中央</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>フチの設定</source>
        <translation>Border</translation>
    </message>
    <message>
        <source>フチを付ける</source>
        <translation>Add a border</translation>
    </message>
    <message>
        <source>フチの幅(mm)</source>
        <translation>Border width (mm)</translation>
    </message>
    <message>
        <source>エリアの枠と背景</source>
        <translation>Area frame and background</translation>
    </message>
    <message>
        <source>設定(&amp;B)...</source>
        <translation>Se&amp;ttings...</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>ファイルサイズ</source>
        <translation>File size</translation>
    </message>
    <message>
        <source>ファイルの更新日</source>
        <translation>File date</translation>
    </message>
    <message>
        <source>ファイルの更新時刻</source>
        <translation>File time</translation>
    </message>
    <message>
        <source>画像に指定したコメント</source>
        <translation>Image comment</translation>
    </message>
    <message>
        <source>画像のサイズ</source>
        <translation>Image size</translation>
    </message>
    <message>
        <source>(Exif)撮影日</source>
        <translation>(Exif) Date taken</translation>
    </message>
    <message>
        <source>(Exif)撮影時刻</source>
        <translation>(Exif) Time taken</translation>
    </message>
    <message>
        <source>(Exif)コメント</source>
        <translation>(Exif) Comment</translation>
    </message>
    <message>
        <source>(Exif)説明</source>
        <translation>(Exif) Description</translation>
    </message>
    <message>
        <source>ファイルの日付と時刻</source>
        <translation>File date and time</translation>
    </message>
    <message>
        <source>(Exif)撮影した日付と時刻</source>
        <translation>(Exif) Date and time taken</translation>
    </message>
    <message>
        <source>現在のページ番号</source>
        <translation>Page number</translation>
    </message>
    <message>
        <source>(なし)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>このプリンタでは用紙の向きを変更できません。</source>
        <translation>This printer cannot change the paper orientation.</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>用紙サイズをプリンタに合わせますか？</source>
        <translation>Match the paper size to the printer?</translation>
    </message>
    <message>
        <source>写真エリアのサイズが 0 以下になります。余白、分割数、間隔を見直してください。</source>
        <translation>The photo areas would be 0 or smaller. Check the margins, the rows and columns and the spacing.</translation>
    </message>
    <message>
        <source>縦</source>
        <comment>paper orientation</comment>
        <translation>Portrait</translation>
    </message>
    <message>
        <source>横</source>
        <comment>paper orientation</comment>
        <translation>Landscape</translation>
    </message>
    <message>
        <source>指定</source>
        <comment>rotation</comment>
        <translation>Rotate</translation>
    </message>
    <message>
        <source>横</source>
        <comment>position</comment>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>縦</source>
        <comment>position</comment>
        <translation>Vertical</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmMain</name>
    <message>
        <source>JPEGイメージ</source>
        <translation>JPEG image</translation>
    </message>
    <message>
        <source>ビットマップ</source>
        <translation>Bitmap</translation>
    </message>
    <message>
        <source>拡張メタファイル</source>
        <translation>Enhanced Metafile</translation>
    </message>
    <message>
        <source>Windowsメタファイル</source>
        <translation>Windows Metafile</translation>
    </message>
    <message>
        <source>GIFイメージ</source>
        <translation>GIF image</translation>
    </message>
    <message>
        <source>TIFFイメージ</source>
        <translation>TIFF image</translation>
    </message>
    <message>
        <source>Photoshop イメージ</source>
        <translation>Photoshop image</translation>
    </message>
    <message>
        <source>PaintShop Pro イメージ</source>
        <translation>PaintShop Pro image</translation>
    </message>
    <message>
        <source>この機能は準備中です。</source>
        <translation>This feature is not available yet.</translation>
    </message>
    <message>
        <source>Vellora 9 - 新規ドキュメント[*]</source>
        <translation>Vellora 9 - New Document[*]</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>撮影日時</source>
        <translation>Date taken</translation>
    </message>
    <message>
        <source>ファイル日時</source>
        <translation>File date</translation>
    </message>
    <message>
        <source>ファイルサイズ</source>
        <translation>File size</translation>
    </message>
    <message>
        <source>横×縦</source>
        <translation>Width × Height</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>新規作成(&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>用紙を開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>上書き保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>上書き保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>エクスポート(&amp;E)...</source>
        <translation>&amp;Export...</translation>
    </message>
    <message>
        <source>用紙レイアウト(&amp;L)...</source>
        <translation>Page &amp;Layout...</translation>
    </message>
    <message>
        <source>用紙レイアウト</source>
        <translation>Page layout</translation>
    </message>
    <message>
        <source>印刷(&amp;P)...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>印刷</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>印刷プレビュー(&amp;V)...</source>
        <translation>Print Pre&amp;view...</translation>
    </message>
    <message>
        <source>印刷プレビュー</source>
        <translation>Print preview</translation>
    </message>
    <message>
        <source>プリンタの設定(&amp;R)...</source>
        <translation>P&amp;rinter Setup...</translation>
    </message>
    <message>
        <source>印刷位置の微調整(&amp;D)...</source>
        <translation>A&amp;djust Print Position...</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>すべて選択(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>選択の解除(&amp;D)</source>
        <translation>&amp;Deselect All</translation>
    </message>
    <message>
        <source>選択の反転(&amp;R)</source>
        <translation>&amp;Invert Selection</translation>
    </message>
    <message>
        <source>チェック(&amp;C)</source>
        <translation>&amp;Check</translation>
    </message>
    <message>
        <source>チェックの解除(&amp;U)</source>
        <translation>U&amp;ncheck</translation>
    </message>
    <message>
        <source>チェックの反転(&amp;E)</source>
        <translation>Inv&amp;ert Checks</translation>
    </message>
    <message>
        <source>順序の指定(&amp;O)...</source>
        <translation>Print &amp;Order...</translation>
    </message>
    <message>
        <source>印刷順序</source>
        <translation>Print order</translation>
    </message>
    <message>
        <source>上へ移動(&amp;U)</source>
        <translation>Move &amp;Up</translation>
    </message>
    <message>
        <source>上へ</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下へ移動(&amp;D)</source>
        <translation>Move &amp;Down</translation>
    </message>
    <message>
        <source>下へ</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>先頭へ移動(&amp;F)</source>
        <translation>Move to &amp;Top</translation>
    </message>
    <message>
        <source>先頭へ</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>末尾へ移動(&amp;L)</source>
        <translation>Move to &amp;Bottom</translation>
    </message>
    <message>
        <source>末尾へ</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>画像の追加(&amp;I)...</source>
        <translation>Add &amp;Images...</translation>
    </message>
    <message>
        <source>画像の追加</source>
        <translation>Add images</translation>
    </message>
    <message>
        <source>フォルダ内一括追加(&amp;F)</source>
        <translation>Add &amp;Folder</translation>
    </message>
    <message>
        <source>フォルダ追加</source>
        <translation>Add folder</translation>
    </message>
    <message>
        <source>リストから削除(&amp;D)...</source>
        <translation>&amp;Remove from List...</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>すべてをリストから削除(&amp;C)...</source>
        <translation>&amp;Clear List...</translation>
    </message>
    <message>
        <source>コメントの設定(&amp;M)...</source>
        <translation>Co&amp;mment...</translation>
    </message>
    <message>
        <source>コメント</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>コピー枚数の設定(&amp;O)...</source>
        <translation>C&amp;opies...</translation>
    </message>
    <message>
        <source>コピー枚数</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>プロパティ(&amp;P)...</source>
        <translation>&amp;Properties...</translation>
    </message>
    <message>
        <source>プロパティ</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>画像の確認(&amp;V)...</source>
        <translation>&amp;View Image...</translation>
    </message>
    <message>
        <source>画像確認</source>
        <translation>View image</translation>
    </message>
    <message>
        <source>表示形式(&amp;V)</source>
        <translation>&amp;View Style</translation>
    </message>
    <message>
        <source>表示形式</source>
        <translation>View style</translation>
    </message>
    <message>
        <source>サムネイル(&amp;T)</source>
        <translation>&amp;Thumbnails</translation>
    </message>
    <message>
        <source>一覧(&amp;L)</source>
        <translation>&amp;List</translation>
    </message>
    <message>
        <source>詳細(&amp;D)</source>
        <translation>&amp;Details</translation>
    </message>
    <message>
        <source>自動ソート(&amp;A)</source>
        <translation>&amp;Auto Sort</translation>
    </message>
    <message>
        <source>ソート</source>
        <translation>Sort</translation>
    </message>
    <message>
        <source>ファイル名(&amp;F)</source>
        <translation>&amp;File Name</translation>
    </message>
    <message>
        <source>撮影日時(&amp;D)</source>
        <translation>&amp;Date Taken</translation>
    </message>
    <message>
        <source>ファイル日時(&amp;A)</source>
        <translation>File D&amp;ate</translation>
    </message>
    <message>
        <source>ファイルサイズ(&amp;S)</source>
        <translation>File &amp;Size</translation>
    </message>
    <message>
        <source>画像サイズ(横優先)(&amp;W)</source>
        <translation>Image Size (&amp;Width First)</translation>
    </message>
    <message>
        <source>画像サイズ(縦優先)(&amp;H)</source>
        <translation>Image Size (&amp;Height First)</translation>
    </message>
    <message>
        <source>コピー枚数(&amp;C)</source>
        <translation>&amp;Copies</translation>
    </message>
    <message>
        <source>オプションの設定(&amp;O)...</source>
        <translation>&amp;Options...</translation>
    </message>
    <message>
        <source>ヘルプの表示(&amp;S)</source>
        <translation>&amp;Show Help</translation>
    </message>
    <message>
        <source>Vellora.txtの表示(&amp;T)</source>
        <translation>View Vellora.&amp;txt</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)...</source>
        <translation>&amp;About Vellora...</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>印刷順序(&amp;O)</source>
        <translation>&amp;Order</translation>
    </message>
    <message>
        <source>画像(&amp;I)</source>
        <translation>&amp;Image</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ソート(&amp;S)</source>
        <translation>&amp;Sort</translation>
    </message>
    <message>
        <source>ツール(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ツールバー</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>画像:%1 チェック:%2 選択:%3</source>
        <translation>Images: %1  Checked: %2  Selected: %3</translation>
    </message>
    <message>
        <source>%1 コピー:%2 撮影日:%3 説明:%4</source>
        <translation>%1  Copies: %2  Taken: %3  Description: %4</translation>
    </message>
    <message>
        <source>すべての画像ファイル(%1)|%1</source>
        <translation>All image files (%1)|%1</translation>
    </message>
    <message>
        <source>画像の追加を中止しますか？</source>
        <translation>Stop adding images?</translation>
    </message>
    <message>
        <source>画像の追加を中止するには、[はい]を押します。</source>
        <translation>Press [Yes] to stop adding images.</translation>
    </message>
    <message>
        <source>画像の読み込み</source>
        <translation>Load Images</translation>
    </message>
    <message>
        <source>画像の読み込み方法を選択してください。</source>
        <translation>Choose how to load the images.</translation>
    </message>
    <message>
        <source>リストに画像を追加するか、リストを消去して新規に読み込むかを選択します。</source>
        <translation>Add the images to the list, or clear the list and load them anew.</translation>
    </message>
    <message>
        <source>現在のリストに追加する</source>
        <translation>Add to the current list</translation>
    </message>
    <message>
        <source>現在のリストを消去して新規に読み込む</source>
        <translation>Clear the current list and load anew</translation>
    </message>
    <message>
        <source>存在しないファイルの確認</source>
        <translation>Missing Files</translation>
    </message>
    <message>
        <source>以下のファイルは存在しません。リストから除外しますか？</source>
        <translation>The following files do not exist. Remove them from the list?</translation>
    </message>
    <message>
        <source>存在しないファイル
</source>
        <translation>Missing files
</translation>
    </message>
    <message>
        <source>はい。リストから除外します。</source>
        <translation>Yes, remove them from the list.</translation>
    </message>
    <message>
        <source>いいえ。除外しません。</source>
        <translation>No, keep them.</translation>
    </message>
    <message>
        <source>選択した処理をすべてに適用する</source>
        <translation>Do this for all</translation>
    </message>
    <message>
        <source>印刷しています</source>
        <translation>Printing</translation>
    </message>
    <message>
        <source>印刷を中止しました。問題のある画像があります</source>
        <translation>Printing stopped. Some images have problems</translation>
    </message>
    <message>
        <source>印刷は終了しましたが、問題のある画像があります</source>
        <translation>Printing finished, but some images have problems</translation>
    </message>
    <message>
        <source>%1 - %2ページ</source>
        <translation>%1 - page %2</translation>
    </message>
    <message>
        <source>Vellora.txt が見つかりません。</source>
        <translation>Vellora.txt cannot be found.</translation>
    </message>
    <message>
        <source>%1 を開けませんでした。</source>
        <translation>Could not open %1.</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About Vellora</translation>
    </message>
    <message>
        <source>バージョン %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>デジタル写真の印刷</source>
        <translation>Digital photo printing</translation>
    </message>
    <message>
        <source>プリンタがインストールされていません。</source>
        <translation>No printer is installed.</translation>
    </message>
    <message>
        <source>レイアウト形式</source>
        <translation>Layout only</translation>
    </message>
    <message>
        <source>用紙のレイアウトだけを保存します。画像は保存されません。</source>
        <translation>Saves the page layout only. The images are not saved.</translation>
    </message>
    <message>
        <source>画像リンク形式</source>
        <translation>Linked images</translation>
    </message>
    <message>
        <source>用紙のレイアウトと、画像ファイル名を保存します。元の画像ファイルの名前を変更したり、削除したりすると画像を印刷できません。</source>
        <translation>Saves the page layout and the image file names. If the original image files are renamed or deleted, the images cannot be printed.</translation>
    </message>
    <message>
        <source>画像埋め込み形式</source>
        <translation>Embedded images</translation>
    </message>
    <message>
        <source>用紙のレイアウトと画像を保存します。ファイルサイズが大きくなりますが、他のパソコンでも印刷できるなどの利点があります。</source>
        <translation>Saves the page layout and the images. The file is larger, but it can be printed on other computers too.</translation>
    </message>
    <message>
        <source>新規ドキュメント</source>
        <translation>New Document</translation>
    </message>
    <message>
        <source>保存しますか</source>
        <translation>Save changes?</translation>
    </message>
    <message>
        <source>は変更されています。</source>
        <translation> has been changed.</translation>
    </message>
    <message>
        <source>保存しますか？</source>
        <translation> Do you want to save it?</translation>
    </message>
    <message>
        <source>ほか %1 件</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>画像データのない画像があります。</source>
        <translation>Some images have no image data.</translation>
    </message>
    <message>
        <source>次の画像は元の画像データが見つからないため、画像データなしで保存されました。
</source>
        <translation>The following images were saved without their image data because the original data could not be found.
</translation>
    </message>
    <message>
        <source>保存形式の選択</source>
        <translation>Save Type</translation>
    </message>
    <message>
        <source>保存形式を選択してください。</source>
        <translation>Choose how to save the document.</translation>
    </message>
    <message>
        <source>詳細情報</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>レイアウト形式では、リストの%1枚の画像は保存されません。</source>
        <translation>With &quot;Layout only&quot;, the %1 images of the list are not saved.</translation>
    </message>
    <message>
        <source>画像を消去しますか</source>
        <translation>Clear the images?</translation>
    </message>
    <message>
        <source>リストの画像をすべて消去しますか？</source>
        <translation>Remove all images from the list?</translation>
    </message>
    <message>
        <source>フォルダを開く</source>
        <translation>Open Folder</translation>
    </message>
    <message>
        <source>ほか %1 個</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>読み取れなかった画像: %1個</source>
        <translation>Images that could not be read: %1</translation>
    </message>
    <message>
        <source>解像度が%1 ppi未満の画像: %2か所</source>
        <translation>Images below %1 ppi: %2</translation>
    </message>
    <message>
        <source>エクスポート</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>エクスポートに失敗しました</source>
        <translation>Export failed</translation>
    </message>
    <message>
        <source>エクスポートできる画像がありません。</source>
        <translation>There are no images to export.</translation>
    </message>
    <message>
        <source>エクスポートするページがありません</source>
        <translation>No pages to export</translation>
    </message>
    <message>
        <source>チェックした画像がありません。</source>
        <translation>No images are checked.</translation>
    </message>
    <message>
        <source>指定したページの範囲に出力するページがありません。</source>
        <translation>There are no pages in the given range.</translation>
    </message>
    <message>
        <source>エクスポートできません</source>
        <translation>Cannot export</translation>
    </message>
    <message>
        <source>ファイルを上書きしますか</source>
        <translation>Overwrite the files?</translation>
    </message>
    <message>
        <source>次のファイルはすでにあります。
%1</source>
        <translation>The following files already exist.
%1</translation>
    </message>
    <message>
        <source>エクスポートしています</source>
        <translation>Exporting</translation>
    </message>
    <message>
        <source>エクスポートを中止しました</source>
        <translation>Export cancelled</translation>
    </message>
    <message>
        <source>ファイルは書き込まれていません。</source>
        <translation>No files were written.</translation>
    </message>
    <message>
        <source>エクスポートが終了しました</source>
        <translation>Export finished</translation>
    </message>
    <message>
        <source>%1ページを書き込みました。
%2
%3</source>
        <translation>Wrote %1 pages.
%2
%3</translation>
    </message>
    <message>
        <source>エクスポートを中止しました。問題のある画像があります</source>
        <translation>Export stopped. Some images have problems</translation>
    </message>
    <message>
        <source>エクスポートは終了しましたが、問題のある画像があります</source>
        <translation>Export finished, but some images have problems</translation>
    </message>
    <message>
        <source>オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>テンポラリフォルダを変更できません</source>
        <translation>Cannot change the temporary folder</translation>
    </message>
    <message>
        <source>フォルダ「%1」にファイルを作れません。</source>
        <translation>Cannot create files in the folder &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>ヘルプの表示</source>
        <translation>Show Help</translation>
    </message>
    <message>
        <source>ヘルプファイルを開けませんでした</source>
        <translation>Could not open the help file</translation>
    </message>
    <message>
        <source>フォルダの選択</source>
        <translation>Choose a Folder</translation>
    </message>
    <message>
        <source>Vellora ドキュメント (*.vlpf *.VLPF)</source>
        <translation>Vellora documents (*.vlpf *.VLPF)</translation>
    </message>
    <message>
        <source>すべてのファイル (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>ドキュメントに名前を付けて保存</source>
        <translation>Save Document As</translation>
    </message>
    <message>
        <source>Vellora ドキュメント (*.vlpf)</source>
        <translation>Vellora documents (*.vlpf)</translation>
    </message>
    <message>
        <source>画像を削除しますか</source>
        <translation>Remove the images?</translation>
    </message>
    <message>
        <source>選択した画像を削除してよろしいですか？</source>
        <translation>Remove the selected images from the list?</translation>
    </message>
    <message>
        <source>すべての画像を削除してよろしいですか？</source>
        <translation>Remove all images from the list?</translation>
    </message>
    <message>
        <source>コメントを編集しますか</source>
        <translation>Edit the comment?</translation>
    </message>
    <message>
        <source>複数の画像に異なるコメントが設定されています。コメントを編集すると、すべてに同じコメントが設定されます。コメントを編集しますか？</source>
        <translation>The selected images have different comments. If you edit the comment, all of them get the same comment. Edit the comment?</translation>
    </message>
    <message>
        <source>設定を変更しますか</source>
        <translation>Change the settings?</translation>
    </message>
    <message>
        <source>複数の画像が選択されています。設定を変更すると、すべての選択画像の設定が同じになります。設定を変更してもよろしいですか？</source>
        <translation>Several images are selected. If you change the settings, all selected images get the same settings. Change the settings?</translation>
    </message>
    <message>
        <source>作業の自動保存ができません</source>
        <translation>Cannot save your work automatically</translation>
    </message>
    <message>
        <source>フォルダ「%1」に書き込めないため、異常終了したときに作業を復元できません。
%2</source>
        <translation>The folder &quot;%1&quot; cannot be written to, so your work cannot be recovered after a crash.
%2</translation>
    </message>
    <message>
        <source>作業を復元できません</source>
        <translation>Cannot recover the work</translation>
    </message>
    <message>
        <source>前回終了時の作業は新しいバージョンの Vellora で記録されているため、このバージョンでは復元できません。
%1</source>
        <translation>The work left from last time was recorded by a newer version of Vellora and cannot be recovered by this version.
%1</translation>
    </message>
    <message>
        <source>前回終了時の作業を復元しますか？</source>
        <translation>Recover the work from last time?</translation>
    </message>
    <message>
        <source>%1 の保存されていない変更が残っています（%2 の状態）。
[いいえ]を押すと、この作業は破棄されます。</source>
        <translation>Unsaved changes to %1 were left behind (as of %2).
Press [No] to discard them.</translation>
    </message>
    <message>
        <source>作業を復元できませんでした</source>
        <translation>Could not recover the work</translation>
    </message>
    <message>
        <source>復元ファイルを読み取れませんでした。%1
%2</source>
        <translation>Could not read the recovery file. %1
%2</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmOption</name>
    <message>
        <source>カラーマネジメントを行う</source>
        <translation>Use color management</translation>
    </message>
    <message>
        <source>写真の埋め込みカラープロファイルに従って色を sRGB に変換し、出力に sRGB プロファイルを付けます</source>
        <translation>Converts colors to sRGB by the photo&apos;s embedded color profile, and tags the output with an sRGB profile</translation>
    </message>
    <message>
        <source>オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>テンポラリフォルダ</source>
        <translation>Temporary folder</translation>
    </message>
    <message>
        <source>Susieプラグインフォルダ</source>
        <translation>Susie plug-in folder</translation>
    </message>
    <message>
        <source>起動時に開くファイル</source>
        <translation>File opened at start-up</translation>
    </message>
    <message>
        <source>画像</source>
        <translation>Images</translation>
    </message>
    <message>
        <source>Exif の向き情報に合わせて写真を回転する</source>
        <translation>Rotate photos by their Exif orientation</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>自動 (システムの言語)</source>
        <translation>Automatic (system language)</translation>
    </message>
    <message>
        <source>次回の起動から有効になります。</source>
        <translation>Takes effect at the next start.</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Vellora ドキュメント (*.vlpf)</source>
        <translation>Vellora documents (*.vlpf)</translation>
    </message>
    <message>
        <source>テンポラリフォルダを確認してください</source>
        <translation>Check the temporary folder</translation>
    </message>
    <message>
        <source>フォルダ「%1」がないか、書き込めません。</source>
        <translation>The folder &quot;%1&quot; does not exist or cannot be written to.</translation>
    </message>
    <message>
        <source>Susieプラグインフォルダを確認してください</source>
        <translation>Check the Susie plug-in folder</translation>
    </message>
    <message>
        <source>フォルダ「%1」がありません。</source>
        <translation>The folder &quot;%1&quot; does not exist.</translation>
    </message>
    <message>
        <source>起動時に開くファイルがありません</source>
        <translation>The start-up file does not exist</translation>
    </message>
    <message>
        <source>「%1」がありません。このまま設定しますか?</source>
        <translation>&quot;%1&quot; does not exist. Use it anyway?</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmOrder</name>
    <message>
        <source>印刷順序の変更</source>
        <translation>Print Order</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>すべて追加</source>
        <translation>Add all</translation>
    </message>
    <message>
        <source>ランダムに追加</source>
        <translation>Add at random</translation>
    </message>
    <message>
        <source>すべてランダムに追加</source>
        <translation>Add all at random</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>すべて削除</source>
        <translation>Remove all</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>読み込み中…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>画像を読み込めません</source>
        <translation>Cannot read the picture</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmPositioning</name>
    <message>
        <source>整列</source>
        <translation>Align</translation>
    </message>
    <message>
        <source>指定なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>左揃え</source>
        <translation>Align left</translation>
    </message>
    <message>
        <source>中央揃え</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>右揃え</source>
        <translation>Align right</translation>
    </message>
    <message>
        <source>上揃え</source>
        <translation>Align top</translation>
    </message>
    <message>
        <source>下揃え</source>
        <translation>Align bottom</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmPrev</name>
    <message>
        <source>ソフトプルーフ</source>
        <translation>Soft Proof</translation>
    </message>
    <message>
        <source>プリンタのカラープロファイルで印刷結果を再現</source>
        <translation>Simulate the print with the printer&apos;s color profile</translation>
    </message>
    <message>
        <source>色域外を表示</source>
        <translation>Gamut Warning</translation>
    </message>
    <message>
        <source>プリンタで再現できない色を灰色で表示</source>
        <translation>Show colors the printer cannot reproduce in gray</translation>
    </message>
    <message>
        <source>ソフトプルーフを表示できません</source>
        <translation>Cannot show the soft proof</translation>
    </message>
    <message>
        <source>プリンタのカラープロファイルが設定されていません。プリンタの設定で選んでください。</source>
        <translation>No printer color profile is set. Choose one in the printer settings.</translation>
    </message>
    <message>
        <source>印刷プレビュー</source>
        <translation>Print preview</translation>
    </message>
    <message>
        <source>/ ページなし</source>
        <translation>/ no pages</translation>
    </message>
    <message>
        <source>準備しています</source>
        <translation>Preparing</translation>
    </message>
    <message>
        <source>プリンタがインストールされていないため、印刷できません。</source>
        <translation>Cannot print because no printer is installed.</translation>
    </message>
    <message>
        <source>印刷</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>クイック印刷</source>
        <translation>Quick Print</translation>
    </message>
    <message>
        <source>すぐに印刷</source>
        <translation>Print now</translation>
    </message>
    <message>
        <source>ガイド表示</source>
        <translation>Guides</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>縮小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>等倍</source>
        <translation>Actual size</translation>
    </message>
    <message>
        <source>幅に合わせる</source>
        <translation>Fit width</translation>
    </message>
    <message>
        <source>全体</source>
        <translation>Fit all</translation>
    </message>
    <message>
        <source>先頭ページ</source>
        <translation>First page</translation>
    </message>
    <message>
        <source>前ページ</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>次ページ</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>最終ページ</source>
        <translation>Last page</translation>
    </message>
    <message>
        <source>(プリンタなし)</source>
        <translation>(no printer)</translation>
    </message>
    <message>
        <source>印刷プレビュー - </source>
        <translation>Print Preview - </translation>
    </message>
    <message>
        <source>印刷するページがありません</source>
        <translation>No pages to print</translation>
    </message>
    <message>
        <source>印刷データが存在しないため、プレビューを表示できません。</source>
        <translation>There is nothing to print, so there is no preview.</translation>
    </message>
    <message>
        <source>ページを作成できません</source>
        <translation>Cannot make the page</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmPrint</name>
    <message>
        <source>プリンタがインストールされていないため、印刷できません。</source>
        <translation>Cannot print because no printer is installed.</translation>
    </message>
    <message>
        <source>このプリンタは部数の指定に対応していないため、ページを繰り返して部数分を印刷します。</source>
        <translation>This printer cannot make copies itself, so each page is sent once per copy.</translation>
    </message>
    <message>
        <source>状態: 印刷を受け付けていません（%1）</source>
        <translation>Status: not accepting jobs (%1)</translation>
    </message>
    <message>
        <source>プリンタ「%1」が見つかりません。</source>
        <translation>The printer &quot;%1&quot; cannot be found.</translation>
    </message>
    <message>
        <source>印刷するページがありません</source>
        <translation>No pages to print</translation>
    </message>
    <message>
        <source>印刷データが存在しないため、印刷できません。</source>
        <translation>There is nothing to print.</translation>
    </message>
    <message>
        <source>プリンタがありません</source>
        <translation>No printer</translation>
    </message>
    <message>
        <source>プリンタが見つかりません</source>
        <translation>Printer not found</translation>
    </message>
    <message>
        <source>プリンタ「%1」が見つからないため、印刷できません。</source>
        <translation>Cannot print because the printer &quot;%1&quot; cannot be found.</translation>
    </message>
    <message>
        <source>印刷</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>プリンタ</source>
        <translation>Printer</translation>
    </message>
    <message>
        <source>詳細設定(&amp;R)...</source>
        <translation>P&amp;roperties...</translation>
    </message>
    <message>
        <source>印刷対象</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>すべて</source>
        <translation>All</translation>
    </message>
    <message>
        <source>チェックした画像</source>
        <translation>Checked images</translation>
    </message>
    <message>
        <source>印刷部数</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>部単位で印刷</source>
        <translation>Collate</translation>
    </message>
    <message>
        <source>印刷開始位置</source>
        <translation>Start position</translation>
    </message>
    <message>
        <source>選択(&amp;S)...</source>
        <translation>&amp;Select...</translation>
    </message>
    <message>
        <source>印刷モード</source>
        <translation>Print mode</translation>
    </message>
    <message>
        <source>通常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>分割</source>
        <translation>Banding</translation>
    </message>
    <message>
        <source>ページ</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>指定</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>From</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>To</translation>
    </message>
    <message>
        <source>印刷(&amp;P)</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <source>印刷プレビュー(&amp;V)...</source>
        <translation>Print Pre&amp;view...</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>停止しています</source>
        <translation>paused</translation>
    </message>
    <message>
        <source>オフラインです</source>
        <translation>offline</translation>
    </message>
    <message>
        <source>用紙がありません</source>
        <translation>out of paper</translation>
    </message>
    <message>
        <source>紙詰まりです</source>
        <translation>paper jam</translation>
    </message>
    <message>
        <source>トナーが少なくなっています</source>
        <translation>toner low</translation>
    </message>
    <message>
        <source>トナーがありません</source>
        <translation>out of toner</translation>
    </message>
    <message>
        <source>インクが少なくなっています</source>
        <translation>ink low</translation>
    </message>
    <message>
        <source>インクがありません</source>
        <translation>out of ink</translation>
    </message>
    <message>
        <source>カバーが開いています</source>
        <translation>cover open</translation>
    </message>
    <message>
        <source>プリンタに接続しています</source>
        <translation>connecting to the printer</translation>
    </message>
    <message>
        <source>状態: </source>
        <translation>Status: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>vellora::TfrmProgress</name>
    <message>
        <source>中止(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>中断(&amp;S)</source>
        <translation>&amp;Stop</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmPropImage</name>
    <message>
        <source>イメージ領域のプロパティ</source>
        <translation>Image Box Properties</translation>
    </message>
    <message>
        <source>透過色の選択</source>
        <translation>Transparent Color</translation>
    </message>
    <message>
        <source>画像の読み込み(&amp;L)...</source>
        <translation>&amp;Load Image...</translation>
    </message>
    <message>
        <source>背景を透過する</source>
        <translation>Transparent background</translation>
    </message>
    <message>
        <source>そのまま</source>
        <translation>As is</translation>
    </message>
    <message>
        <source>90度回転</source>
        <translation>Rotate 90°</translation>
    </message>
    <message>
        <source>180度回転</source>
        <translation>Rotate 180°</translation>
    </message>
    <message>
        <source>270度回転</source>
        <translation>Rotate 270°</translation>
    </message>
    <message>
        <source>オリジナル</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>領域に合わせて拡大・縮小</source>
        <translation>Stretch to the box</translation>
    </message>
    <message>
        <source>縦横比を保持して拡大・縮小</source>
        <translation>Scale, keeping the aspect ratio</translation>
    </message>
    <message>
        <source>タイル状に並べる</source>
        <translation>Tile</translation>
    </message>
    <message>
        <source>画像を写真エリアから取得する</source>
        <translation>Take the image from a photo area</translation>
    </message>
    <message>
        <source>エリア選択(&amp;A)...</source>
        <translation>Choose &amp;Area...</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background color</translation>
    </message>
    <message>
        <source>透明度</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>透過色</source>
        <translation>Transparent color</translation>
    </message>
    <message>
        <source>回転</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>描画方法</source>
        <translation>Drawing</translation>
    </message>
    <message>
        <source>イメージ</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>結合部</source>
        <translation>Join</translation>
    </message>
    <message>
        <source>端点</source>
        <translation>End</translation>
    </message>
    <message>
        <source>枠</source>
        <translation>Frame</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmPropText</name>
    <message>
        <source>固定のテキスト</source>
        <translation>Fixed text</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>ファイルサイズ</source>
        <translation>File size</translation>
    </message>
    <message>
        <source>ファイルの更新日</source>
        <translation>File date</translation>
    </message>
    <message>
        <source>ファイルの更新時刻</source>
        <translation>File time</translation>
    </message>
    <message>
        <source>画像に指定したコメント</source>
        <translation>Image comment</translation>
    </message>
    <message>
        <source>画像のサイズ</source>
        <translation>Image size</translation>
    </message>
    <message>
        <source>(Exif)撮影日</source>
        <translation>(Exif) Date taken</translation>
    </message>
    <message>
        <source>(Exif)撮影時刻</source>
        <translation>(Exif) Time taken</translation>
    </message>
    <message>
        <source>(Exif)コメント</source>
        <translation>(Exif) Comment</translation>
    </message>
    <message>
        <source>(Exif)説明</source>
        <translation>(Exif) Description</translation>
    </message>
    <message>
        <source>ファイルの日付と時刻</source>
        <translation>File date and time</translation>
    </message>
    <message>
        <source>(Exif)撮影した日付と時刻</source>
        <translation>(Exif) Date and time taken</translation>
    </message>
    <message>
        <source>現在のページ番号</source>
        <translation>Page number</translation>
    </message>
    <message>
        <source>あア</source>
        <translation>Aa</translation>
    </message>
    <message>
        <source>テキスト領域のプロパティ</source>
        <translation>Text Box Properties</translation>
    </message>
    <message>
        <source>エリア選択(&amp;A)...</source>
        <translation>Choose &amp;Area...</translation>
    </message>
    <message>
        <source>フォント</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>文書既定のフォントに合わせる</source>
        <translation>Use the document&apos;s font</translation>
    </message>
    <message>
        <source>フォント設定(&amp;F)...</source>
        <translation>&amp;Font...</translation>
    </message>
    <message>
        <source>テキスト取得元</source>
        <translation>Text source</translation>
    </message>
    <message>
        <source>リンクする写真エリア</source>
        <translation>Linked photo area</translation>
    </message>
    <message>
        <source>テキスト</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>左寄せ</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>中央揃え</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>右寄せ</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>均等割り付け</source>
        <translation>Justify</translation>
    </message>
    <message>
        <source>上寄せ</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>中央</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>下寄せ</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>そのまま</source>
        <translation>As is</translation>
    </message>
    <message>
        <source>テキストを折り返す</source>
        <translation>Wrap the text</translation>
    </message>
    <message>
        <source>文字幅を縮小する</source>
        <translation>Narrow the characters</translation>
    </message>
    <message>
        <source>文字サイズを縮小する</source>
        <translation>Reduce the font size</translation>
    </message>
    <message>
        <source>文字の方向</source>
        <translation>Text direction</translation>
    </message>
    <message>
        <source>左から右</source>
        <translation>Left to right</translation>
    </message>
    <message>
        <source>下から上</source>
        <translation>Bottom to top</translation>
    </message>
    <message>
        <source>右から左</source>
        <translation>Right to left</translation>
    </message>
    <message>
        <source>上から下</source>
        <translation>Top to bottom</translation>
    </message>
    <message>
        <source>画像の向きに合わせて調整する</source>
        <translation>Follow the image&apos;s orientation</translation>
    </message>
    <message>
        <source>内部余白(mm)</source>
        <translation>Padding (mm)</translation>
    </message>
    <message>
        <source>すべてを左余白に合わせる</source>
        <translation>Same as the left padding</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>横位置</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>縦位置</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>テキスト領域の幅が不足したときの処理</source>
        <translation>When the text does not fit</translation>
    </message>
    <message>
        <source>行ピッチ</source>
        <translation>Line spacing</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Placement</translation>
    </message>
    <message>
        <source>枠と背景の設定(&amp;B)...</source>
        <translation>Frame and &amp;Background...</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmSelArea</name>
    <message>
        <source>写真エリア選択</source>
        <translation>Choose Photo Area</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>貼り付け</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>横1列に貼り付け</source>
        <translation>Paste Row</translation>
    </message>
    <message>
        <source>縦1列に貼り付け</source>
        <translation>Paste Column</translation>
    </message>
    <message>
        <source>全体に貼り付け</source>
        <translation>Paste All</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Set</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>選択したエリアの印刷領域を消去しますか？</source>
        <translation>Clear the boxes of the selected areas?</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmSelHelp</name>
    <message>
        <source>すべてのヘルプファイル (*.html *.htm *.chm *.pdf *.hlp *.txt);;すべてのファイル (*)</source>
        <translation>All help files (*.html *.htm *.chm *.pdf *.hlp *.txt);;All files (*)</translation>
    </message>
    <message>
        <source>ヘルプファイルの選択</source>
        <translation>Choose Help File</translation>
    </message>
    <message>
        <source>ヘルプファイルをインストールしている場合、その場所を指定します。インストールしていないときは[キャンセル]ボタンを押します。</source>
        <translation>If you have installed the help files, give their location. If not, press [Cancel].</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>vellora::TfrmSelImage</name>
    <message>
        <source>すべて (%1)</source>
        <translation>All (%1)</translation>
    </message>
    <message>
        <source>%1 は大きすぎるため読み込めません (%2 × %3 ピクセル)。</source>
        <translation>%1 is too large to load (%2 × %3 pixels).</translation>
    </message>
    <message>
        <source>%1 を読み込めません: %2。</source>
        <translation>Cannot read %1: %2.</translation>
    </message>
    <message>
        <source>%1 を読み込めません。</source>
        <translation>Cannot read %1.</translation>
    </message>
    <message>
        <source>%1 は大きすぎるため読み込めません。</source>
        <translation>%1 is too large to load.</translation>
    </message>
    <message>
        <source>画像の選択</source>
        <translation>Choose Image</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>縮小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>等倍</source>
        <translation>Actual size</translation>
    </message>
    <message>
        <source>全体</source>
        <translation>Fit all</translation>
    </message>
    <message>
        <source>表示倍率 </source>
        <translation>Zoom </translation>
    </message>
    <message>
        <source>透過色</source>
        <translation>Transparent color</translation>
    </message>
    <message>
        <source>画像の読み込み(&amp;L)...</source>
        <translation>&amp;Load Image...</translation>
    </message>
    <message>
        <source>クリア(&amp;C)</source>
        <translation>C&amp;lear</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
