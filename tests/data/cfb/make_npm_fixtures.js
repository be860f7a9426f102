// Makes compound-file fixtures with an independent writer, the "cfb" package from the npm
// registry, so that our reader is tested against files it did not write.
//
//   mkdir -p /tmp/cfbgen && cd /tmp/cfbgen && npm install cfb@1.2.2
//   NODE_PATH=/tmp/cfbgen/node_modules node make_npm_fixtures.js   (run in this folder)
//
// Writes npm-basic.cfb and npm-basic.txt, the expected listing in the format of olelist.py
// (computed here from the content given to the writer, not by reading the file back).
const CFB = require("cfb");
const crypto = require("crypto");
const fs = require("fs");

// Deterministic bytes: a small linear congruential generator.
function bytes(n, seed) {
    const b = Buffer.alloc(n);
    let x = seed >>> 0;
    for (let i = 0; i < n; ++i) {
        x = (Math.imul(x, 1103515245) + 12345) >>> 0;
        b[i] = x >>> 24;
    }
    return b;
}

const entries = [
    ["Empty", 0],
    ["Small", 10],
    ["JustBelowCutoff", 4095],
    ["AtCutoff", 4096],
    ["Large", 70000],
    ["Sub/Inner", 300],
    ["Sub/Deep/Leaf", 5000],
    ["Sub/画像データ", 777],
];
for (let i = 0; i < 20; ++i)
    entries.push(["Many/Item" + i, 50 + i * 37]);

const cfb = CFB.utils.cfb_new();
const listing = [];
const storages = new Set();
entries.forEach(([path, size], index) => {
    const content = bytes(size, index + 1);
    CFB.utils.cfb_add(cfb, "/" + path, content);
    const parts = path.split("/");
    for (let k = 1; k < parts.length; ++k)
        storages.add(parts.slice(0, k).join("/"));
    const sha1 = crypto.createHash("sha1").update(content).digest("hex");
    listing.push("stream " + path + " " + size + " " + sha1);
});
storages.forEach((s) => listing.push("storage " + s));

const written = CFB.write(cfb, { type: "buffer", fileType: "cfb" });
// The package adds a small placeholder stream of its own ("\u0001Sh33tJ5") to every file
// it writes; list it too, with the content the package gave it.
const placeholder = CFB.find(CFB.read(written, { type: "buffer" }), "/\u0001Sh33tJ5");
if (placeholder) {
    const content = Buffer.from(placeholder.content);
    const sha1 = crypto.createHash("sha1").update(content).digest("hex");
    listing.push("stream \u0001Sh33tJ5 " + content.length + " " + sha1);
}
listing.sort();
fs.writeFileSync("npm-basic.cfb", written);
fs.writeFileSync("npm-basic.txt", listing.join("\n") + "\n");
