// A module of today's JavaScript
import { readFile } from "node:fs/promises";
export default class Store extends Base {
  static #count = 0;
  constructor(name) { super(name); this.items = []; }
  async load(path) {
    const text = await readFile(path, 'utf8');
    for (const line of text.split(/\r?\n/g)) yield line;
  }
}
let big = 1_000_000n, hex = 0xFF_FF, bin = 0b1010, oct = 0o17, f = .5e-3;
const ratio = total / count / 2;
const re = /[/\]]+/i.test(s) ? a?.b ?? c : d;
const page = `Hello ${user.name}, you have ${count > 1 ? `${count} items` : "one item"}
and ${list.map((x) => { return x * 2; }).join(", ")} left.`;
const deep = `a${`b${`c${d}e`}f`}g`;
label: while (n-- > 0) { if (typeof n === "number" && n !== 3) break label; }
delete obj[key]; void 0; debugger;
let x = y => y ** 2, z = { ...rest };
x ??= 1; x ||= 2; x &&= 3;
