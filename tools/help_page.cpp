// The help page the game opens in the browser: one self-contained UTF-8 HTML file.

#include <string>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

// The page's head: its language, title and faces, and the look both languages share.
std::string head(const char* language, const char* title, const char* faces) {
    std::string style = R"HTML(<style>
  body { margin: 0; background: #071029; color: #dfe8ff; line-height: 1.75;
         font-family: FACES; }
  header { background: linear-gradient(#040818, #0e2250); padding: 28px 16px 20px; text-align: center;
           border-bottom: 1px solid #2c4f91; }
  header h1 { margin: 0; font-size: 40px; letter-spacing: 0.2em; }
  header h1 span:nth-child(1) { color: #ff6d77; } header h1 span:nth-child(2) { color: #6fa4ff; }
  header h1 span:nth-child(3) { color: #ffd75a; } header h1 span:nth-child(4) { color: #6fe08d; }
  header p { margin: 6px 0 0; color: #9fb8e8; }
  nav { text-align: center; padding: 10px; background: #0a1736; font-size: 14px; }
  nav a { color: #9cc7ff; margin: 0 8px; text-decoration: none; }
  main { max-width: 760px; margin: 0 auto; padding: 8px 20px 40px; }
  h2 { color: #ffffff; border-left: 6px solid #4f8dff; padding-left: 10px; margin-top: 36px; font-size: 22px; }
  h3 { color: #bcd4ff; font-size: 17px; margin-bottom: 4px; }
  table { border-collapse: collapse; width: 100%; margin: 8px 0; font-size: 15px; }
  th, td { border: 1px solid #2c4f91; padding: 6px 8px; text-align: left; vertical-align: top; }
  th { background: #10224a; color: #ffffff; }
  .box { background: #0c1a3c; border: 1px solid #2c4f91; border-radius: 8px; padding: 10px 16px; }
  .drop { display: inline-block; width: 0.8em; height: 0.8em; border-radius: 50%; margin-right: 4px;
          vertical-align: middle; }
  kbd { background: #1b2f5e; border: 1px solid #4a6bb0; border-radius: 4px; padding: 0 6px; }
  footer { text-align: center; color: #6f86b8; font-size: 13px; padding: 20px; }
</style>)HTML";
    style.replace(style.find("FACES"), 5, faces);
    return std::string("<!DOCTYPE html>\n<html lang=\"") + language + "\">\n<head>\n<meta charset=\"UTF-8\">\n" +
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" + title +
           "</title>\n" + style + "\n</head>\n";
}

const char* const japanese_body = R"HTML(<body>
<header>
  <h1><span>ケ</span><span>ル</span><span>ボ</span><span>ラ</span></h1>
  <p>～ 雨の夜のパズル ～</p>
</header>
<nav>
  <a href="#goal">ゲームの目的</a><a href="#rules">ルール</a><a href="#chain">連鎖と得点</a>
  <a href="#modes">モード</a><a href="#options">オプション</a><a href="#ranking">ランキング</a>
  <a href="#controls">操作方法</a>
</nav>
<main>

<h2 id="goal">ゲームの目的</h2>
<p>夜空から色とりどりの雨粒が降ってきます。同じ色の雨粒がつながったところをクリックして消し、
井戸のような枠の中があふれないようにしながら、できるだけ多くの得点をかせぎましょう。
消えた雨粒のあとに落ちてきた雨粒をすばやく消すと「連鎖」になり、得点が大きくふえます。</p>

<h2 id="rules">ルール</h2>
<h3>雨粒が降る</h3>
<p>雨粒は枠のいちばん上にひとつずつ現れ、1マスずつ下へ落ちていきます。下に雨粒があるとそこで止まります。
縦に並んだ雨粒は、いっぺんではなく下から順に落ちるので、落ちている間は雨のようにすき間があきます。</p>
<h3>雨粒を消す</h3>
<ul>
  <li>雨粒をクリックすると、その雨粒と、<strong>上下左右</strong>でとなり合う同じ色の雨粒がひとつのグループになります（ななめはつながりません）。</li>
  <li>グループの数が「消去に必要な数」（オフィシャルモードでは <strong>2</strong> 粒）以上あれば、グループ全体がはじけて消えます。</li>
  <li>足りないときは何も起こりません。ひと粒だけの雨粒は消せません。</li>
</ul>
<h3>ゲームオーバー</h3>
<p>新しい雨粒が現れる列のいちばん上のマスがすでにふさがっていると、ゲームオーバーです。
ほかの列がいっぱいでも、雨粒がその列を選ぶまではゲームは続きます。</p>

<h2 id="chain">連鎖と得点</h2>
<div class="box">
<p><strong>得点 ＝ 消した雨粒の数 × 連鎖数</strong></p>
<ul>
  <li>雨粒を消すと、消えたマスにしるしがつき、「連鎖判定時間」のあいだ連鎖のチャンスが続きます。しるしのついたマスにいる雨粒は点滅します。</li>
  <li>その間に、しるしのついたマスに落ちてきた雨粒をクリックして消すと連鎖になり、連鎖数が 2、3、4…とふえていきます。画面にはクリックした場所に連鎖数が表示されます。</li>
  <li>しるしのないマスの雨粒を消したときは、新しい連鎖（連鎖数 1）から数え直しです。</li>
  <li>最後に消してから連鎖判定時間が過ぎると、連鎖は終わります。</li>
  <li>得点の上限は 999,999,999 点です。</li>
</ul>
</div>
<h3>スピードアップ</h3>
<p>オフィシャルモードでは、時間がたつにつれて雨の落ちる速さが少しずつ上がり、しばらくするとレベルが上がります。
レベルが上がるたびに基本の速さも上がっていきます。オプションモードでは速さは変わりません。</p>
<h3>画面の見かた</h3>
<table>
  <tr><th>得点</th><td>これまでの合計得点</td></tr>
  <tr><th>レベル</th><td>オフィシャルモードの現在のレベル</td></tr>
  <tr><th>連鎖</th><td>いまの連鎖数</td></tr>
  <tr><th>最大連鎖</th><td>このゲームでいちばん長かった連鎖</td></tr>
</table>
<p>上の「リスタート」ボタンを押すと、同じモードで最初からやり直せます。</p>

<h2 id="modes">ふたつのモード</h2>
<table>
  <tr><th>オフィシャルゲーム</th><td>決まった設定で遊ぶ本番のモードです。時間とともにスピードアップします。
  得点はオフィシャルランキングとポイントランキングに、最大連鎖は連鎖ランキングに登録されます。</td></tr>
  <tr><th>オプション（オプションゲーム）</th><td>6つの設定を自由に変えて遊べるモードです。スピードアップはしません。
  得点はポイントランキングに、最大連鎖は連鎖ランキングに登録されます（オフィシャルランキングには入りません）。</td></tr>
</table>

<h2 id="options">オプションの設定</h2>
<p>数字を<strong>左クリック</strong>すると値が1ふえ、<strong>右クリック</strong>すると1へります。端まで行くと反対側の端にもどります。
数字にマウスを合わせると、右側に説明が表示されます。「スタート」をクリックすると、その設定でゲームが始まります。
設定はゲームを終了するまで保たれます。</p>
<table>
  <tr><th>設定</th><th>範囲</th><th>オフィシャル</th><th>説明</th></tr>
  <tr><td>雨粒の色の数</td><td>2～9</td><td>4</td><td>色が多いほどむずかしくなります。</td></tr>
  <tr><td>雨粒の大きさ</td><td>1～5</td><td>3</td><td>極小・小・普通・大・特大。大きいほど枠に入る雨粒が少なくなり、むずかしくなります。</td></tr>
  <tr><td>落下スピード</td><td>1～5</td><td>1</td><td>とても遅い～とても速い。</td></tr>
  <tr><td>降雨量</td><td>1～5</td><td>3</td><td>極少雨～超大雨。雨粒が現れる間隔が短くなります。</td></tr>
  <tr><td>消去に必要な数</td><td>2～9</td><td>2</td><td>何粒つながれば消せるか。多いほどむずかしくなります。</td></tr>
  <tr><td>連鎖判定時間</td><td>1～5</td><td>2</td><td>とても短い～とても長い。長いほど連鎖しやすくなります。</td></tr>
</table>

<h2 id="ranking">ランキング</h2>
<p>ゲームが終わったとき、ランキングの10位以内に入ると名前の入力画面になります。
キーボードで3文字までの名前を入力し、「O.K」をクリックすると登録されます。「BAS」で最後の1文字を消せます。
同じ得点のときは、先に登録された人が上になります。</p>
<table>
  <tr><th>オフィシャルランキング</th><td>オフィシャルゲームの得点の上位10人。それぞれに6文字の<strong>パスワード</strong>がつきます。</td></tr>
  <tr><th>ネットランキング</th><td>インターネット上のランキングサーバーから取得した全国の上位10人です。
  1回の起動につき最初に表示したときだけ取得します。接続できなかったときは、以前に取得したデータを表示します。</td></tr>
  <tr><th>ポイントランキング</th><td>オフィシャルとオプションを合わせた得点の上位10人。「モード」欄には、
  オフィシャルなら official、オプションならオプション画面の上から順の6つの設定値が表示されます。</td></tr>
  <tr><th>連鎖ランキング</th><td>最大連鎖数の上位10人。「モード」欄はポイントランキングと同じです。</td></tr>
</table>
<h3>パスワードとネットランキング</h3>
<p>パスワードは、オフィシャルゲームの得点から作られる合言葉で、その得点が本当にゲームで出されたものであることを確かめるのに使います。
ゲームから得点が自動で送られることはありません。ネットランキングに参加するときは、ホームページの案内にしたがって、名前・得点・パスワードを伝えてください。</p>
<p>ランキングは、ゲームと同じフォルダにあるファイル（offical_rank.dat、point_rank.dat、rensa_rank.dat、net_rank.dat）に保存されます。</p>

<h2 id="controls">操作方法</h2>
<table>
  <tr><th>左クリック</th><td>雨粒を消す／メニューを選ぶ／オプションの値をふやす／ランキングの種類を選ぶ</td></tr>
  <tr><th>右クリック</th><td>雨粒を消す（左クリックと同じ）／オプションの値をへらす</td></tr>
  <tr><th><kbd>Esc</kbd></th><td>前の画面にもどる（ゲーム中はゲームをやめてタイトルへ、オプションゲーム中はオプション画面へ）。タイトル画面では終了します。</td></tr>
  <tr><th>キーボード</th><td>ランキングに入ったときの名前の入力</td></tr>
</table>
<h3>メニュー</h3>
<table>
  <tr><th>終了</th><td>ゲームを終了します。</td></tr>
  <tr><th>前画面に戻る(ESC)</th><td><kbd>Esc</kbd> キーと同じです（タイトル画面では何もしません）。</td></tr>
  <tr><th>バージョン情報</th><td>バージョンを表示します。表示中はゲームが止まり、絵をクリックすると閉じて再開します。</td></tr>
  <tr><th>ヘルプ</th><td>このページを開きます。</td></tr>
  <tr><th>ホームページへ</th><td>作者のホームページをブラウザで開きます。</td></tr>
</table>

<h2>タイトル画面のメニュー</h2>
<table>
  <tr><th>ストーリー</th><td>雨の夜の物語を見ます。<kbd>Esc</kbd> でいつでもタイトルにもどれます。</td></tr>
  <tr><th>オフィシャルゲーム</th><td>オフィシャルモードでゲームを始めます。</td></tr>
  <tr><th>オプション</th><td>設定を変えてオプションゲームを始めます。</td></tr>
  <tr><th>ランキング</th><td>4つのランキングを見ます。</td></tr>
</table>
</main>
<footer>ケルボラ Ver 1.0</footer>
</body>
</html>
)HTML";


}  // namespace

bool write_help_page(const std::string& folder) {
    const std::string text =
        drawing_english_words()
            ? head("en", "Kelvora Help", "\"Liberation Sans\", \"Helvetica Neue\", Arial, sans-serif") + english_help_body
            : head("ja", "ケルボラ ヘルプ", "\"IPAPGothic\", \"IPAGothic\", \"Hiragino Kaku Gothic ProN\", \"Meiryo\", sans-serif") +
                  japanese_body;
    return write_file(folder + "help.html", std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace kelvora::tools
