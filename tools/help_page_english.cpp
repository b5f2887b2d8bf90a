// The English help page's body; help_page.cpp gives it the head both languages share.

#include "tools/asset_kit.hpp"

namespace kelvora::tools {

const char* const english_help_body = R"HTML(<body>
<header>
  <h1><span>K</span><span>E</span><span>L</span><span>V</span><span style="color: #ff6d77">O</span><span style="color: #6fa4ff">R</span><span style="color: #ffd75a">A</span></h1>
  <p>~ a puzzle for a rainy night ~</p>
</header>
<nav>
  <a href="#goal">Goal</a><a href="#rules">Rules</a><a href="#chain">Chains and scoring</a>
  <a href="#modes">Modes</a><a href="#options">Options</a><a href="#ranking">Rankings</a>
  <a href="#controls">Controls</a>
</nav>
<main>

<h2 id="goal">Goal</h2>
<p>Raindrops of many colours fall from the night sky. Click a group of touching drops of one colour
to pop it, keep the well from overflowing, and score as many points as you can.
Pop a drop that has just fallen into a cell you emptied, quickly, and you start a <strong>chain</strong>:
your points grow fast.</p>

<h2 id="rules">Rules</h2>
<h3>The rain</h3>
<p>Drops appear one at a time at the top of the well and fall one cell at a time until a drop below
stops them. A stack of drops falls from the bottom up, not all at once, so falling drops leave gaps
between them, like rain.</p>
<h3>Popping drops</h3>
<ul>
  <li>Click a drop: it and every drop of its colour that touches it <strong>above, below, left or right</strong>
  form a group (diagonals do not count).</li>
  <li>When the group has at least the “drops to pop” (<strong>2</strong> in the official game), the
  whole group pops.</li>
  <li>Otherwise nothing happens. A drop on its own can never be popped.</li>
</ul>
<h3>Game over</h3>
<p>The game is over when a new drop appears in a column whose top cell is already taken.
Other columns may be full: the game goes on until a drop picks one of them.</p>

<h2 id="chain">Chains and scoring</h2>
<div class="box">
<p><strong>Points = drops popped × chain</strong></p>
<ul>
  <li>When drops pop, their cells are marked and a chance to chain stays open for the “chain time”.
  Drops in marked cells blink.</li>
  <li>Pop a drop that has fallen into a marked cell in that time and the chain goes on: 2, 3, 4 and
  so on. The chain count is shown where you clicked.</li>
  <li>Popping drops in unmarked cells starts a new chain (chain 1).</li>
  <li>When the chain time has passed since your last pop, the chain ends.</li>
  <li>The score stops at 999,999,999 points.</li>
</ul>
</div>
<h3>Speeding up</h3>
<p>In the official game the rain falls a little faster as time goes by, and after a while the level
goes up. Each level raises the basic speed. In an option game the speed never changes.</p>
<h3>The play screen</h3>
<table>
  <tr><th>Score</th><td>your points so far</td></tr>
  <tr><th>Level</th><td>the level of the official game</td></tr>
  <tr><th>Chain</th><td>the chain you are on</td></tr>
  <tr><th>Best Chain</th><td>the longest chain of this game</td></tr>
</table>
<p>The “Restart” button at the top starts the same kind of game over from the beginning.</p>

<h2 id="modes">Two modes</h2>
<table>
  <tr><th>Official game</th><td>The real thing, with fixed settings. It speeds up as time goes by.
  Its score enters the official ranking and the point ranking, its best chain the chain ranking.</td></tr>
  <tr><th>Options (option game)</th><td>Play with your own choice of the six settings. It never speeds up.
  Its score enters the point ranking and its best chain the chain ranking (never the official ranking).</td></tr>
</table>

<h2 id="options">Option settings</h2>
<p><strong>Left click</strong> a number to raise it by one, <strong>right click</strong> to lower it;
past either end it wraps round to the other. Point at a number to read what it does on the right.
Click “Start” to play with these settings. They are kept until you quit the game.</p>
<table>
  <tr><th>Setting</th><th>Range</th><th>Official</th><th>What it does</th></tr>
  <tr><td>Colours</td><td>2–9</td><td>4</td><td>The more colours, the harder the game.</td></tr>
  <tr><td>Drop size</td><td>1–5</td><td>3</td><td>Tiny, small, normal, large, huge. Bigger drops mean fewer drops fit in the well, and a harder game.</td></tr>
  <tr><td>Fall speed</td><td>1–5</td><td>1</td><td>Very slow to very fast.</td></tr>
  <tr><td>Rainfall</td><td>1–5</td><td>3</td><td>Drizzle to downpour: new drops come more often.</td></tr>
  <tr><td>Drops to pop</td><td>2–9</td><td>2</td><td>How many drops must touch to pop. The more, the harder.</td></tr>
  <tr><td>Chain time</td><td>1–5</td><td>2</td><td>Very short to very long. The longer, the easier it is to chain.</td></tr>
</table>

<h2 id="ranking">Rankings</h2>
<p>When a game ends with a score in the top ten of a ranking, you are asked for your name.
Type up to three letters on the keyboard and click “OK” to enter it; “DEL” removes the last letter.
Of equal scores, the one entered first ranks higher.</p>
<table>
  <tr><th>Official ranking</th><td>The ten best scores of official games, each with a six-letter <strong>password</strong>.</td></tr>
  <tr><th>Net ranking</th><td>The top ten from the ranking server on the Internet. It is downloaded the
  first time you open it after starting the game; when the server cannot be reached, the ranking
  downloaded last time is shown.</td></tr>
  <tr><th>Point ranking</th><td>The ten best scores of official and option games. The “Mode” column shows
  official, or the six settings of the options screen from top to bottom.</td></tr>
  <tr><th>Chain ranking</th><td>The ten longest chains. Its “Mode” column is as in the point ranking.</td></tr>
</table>
<h3>Passwords and the net ranking</h3>
<p>The password is made from the score of an official game; it proves that the score was really
played. The game never sends your score by itself: to join the net ranking, follow the home page and
enter your name, score and password there.</p>
<p>The rankings are kept in files beside the game (offical_rank.dat, point_rank.dat, rensa_rank.dat and
net_rank.dat).</p>

<h2 id="controls">Controls</h2>
<table>
  <tr><th>Left click</th><td>pop drops / choose from a menu / raise an option / choose a ranking</td></tr>
  <tr><th>Right click</th><td>pop drops (as the left button) / lower an option</td></tr>
  <tr><th><kbd>Esc</kbd></th><td>back to the screen before (from a game to the title, from an option game to
  the options screen). On the title screen it quits.</td></tr>
  <tr><th>Keyboard</th><td>your name, when you enter a ranking</td></tr>
</table>
<h3>Menu</h3>
<table>
  <tr><th>Quit</th><td>Quits the game.</td></tr>
  <tr><th>Back (Esc)</th><td>The same as the <kbd>Esc</kbd> key (does nothing on the title screen).</td></tr>
  <tr><th>About</th><td>Shows the version. The game waits meanwhile; click the picture to close it and play on.</td></tr>
  <tr><th>Help</th><td>Opens this page.</td></tr>
  <tr><th>Home Page</th><td>Opens the home page in your web browser.</td></tr>
</table>

<h2>The title menu</h2>
<table>
  <tr><th>Story</th><td>Tells the story of the rainy night. <kbd>Esc</kbd> takes you back to the title at any time.</td></tr>
  <tr><th>Official Game</th><td>Starts an official game.</td></tr>
  <tr><th>Options</th><td>Change the settings and start an option game.</td></tr>
  <tr><th>Rankings</th><td>Shows the four rankings.</td></tr>
</table>
</main>
<footer>Kelvora Ver 1.0</footer>
</body>
</html>
)HTML";

}  // namespace kelvora::tools
