#!/usr/bin/env node
// Parses statement texts with the ANTLR T-SQL grammar, refuses words of
// other dialects the grammar lets through and statements with more
// parameters than SQL Server leaves after the driver's own.
//
//     check.js statements.json [refused.json]
//
// Each file holds a JSON array of statement texts. Every statement of the
// first must pass; every statement of the second must be refused (a check
// that the checker can fail). Prints each statement that is refused, with
// the reasons, and each of the second file that was not; exits with 1 when
// a statement went the wrong way, 2 when it cannot run at all.
'use strict';

const fs = require('fs');

let sql;
try {
    sql = require('antlr4ts-sql');
} catch (e) {
    console.error('The T-SQL grammar is not installed: run scripts/install-deps (' + e.message + ')');
    process.exit(2);
}

// SQL Server takes 2,100 parameters a call; the driver's sp_prepexec adds 3.
const maxParameters = 2097;

// Words of PostgreSQL, SQLite or MySQL that SQL Server does not know, but
// which the grammar takes for an alias or an identifier.
const deniedWords = [/\bRETURNING\b/, /\bLIMIT\b/, /\bON\s+CONFLICT\b/, /\bSAVEPOINT\b/, /\bRELEASE\b/];

// The grammar's lexer wants keywords in upper case and knows no "?"
// placeholder: the text it is given has both turned into what T-SQL writes
// (string literals stay as they are).
function asTsql(text) {
    let n = 0;
    return text.replace(/N?'(?:[^']|'')*'|\?|[^'?]+/g, (piece) => {
        if (piece === '?')
            return '@p' + (++n);
        return piece.startsWith("'") || piece.startsWith("N'") ? piece : piece.toUpperCase();
    });
}

// The text outside string literals and quoted names, for the word check.
function bareWords(text) {
    return text.replace(/N?'(?:[^']|'')*'|"(?:[^"]|"")*"|\[(?:[^\]]|\]\])*\]/g, ' ').toUpperCase();
}

function problems(text) {
    const found = [];
    const listener = {
        // The grammar's list of what it expected runs to hundreds of words.
        syntaxError: (recognizer, symbol, line, column, message) =>
            found.push(`${line}:${column} ${message.replace(/ expecting .*/s, '')}`),
    };
    const grammar = new sql.antlr4tsSQL(sql.SQLDialect.TSQL);
    const parser = grammar.getParser(grammar.getTokens(asTsql(text), [listener]), [listener]);
    grammar.getParseTree(parser);
    const bare = bareWords(text);
    const parameters = (bare.match(/\?/g) || []).length;
    if (parameters > maxParameters)
        found.push(`${parameters} parameters, more than the ${maxParameters} SQL Server leaves`);
    for (const word of deniedWords)
        if (word.test(bare))
            found.push('not T-SQL: ' + word.source.replace(/\\b|\\s\+/g, ' ').trim());
    return found;
}

// A statement as the report names it: a multi-row insert runs to pages.
function shown(text) {
    return text.length <= 400 ? text : text.slice(0, 400) + ` ... (${text.length} characters)`;
}

function read(file) {
    return file ? JSON.parse(fs.readFileSync(file, 'utf8')) : [];
}

function main() {
    if (process.argv.length < 3 || process.argv.length > 4) {
        console.error('usage: check.js statements.json [refused.json]');
        return 2;
    }
    const statements = read(process.argv[2]);
    const mustFail = read(process.argv[3]);
    let wrong = 0;
    const cases = statements.map((text) => [text, false]).concat(mustFail.map((text) => [text, true]));
    for (const [text, expectRefusal] of cases) {
        const found = problems(text);
        if (found.length > 0)
            console.log('REFUSED: ' + shown(text) + '\n    ' + found.join('\n    '));
        else if (expectRefusal)
            console.log('NOT REFUSED: ' + shown(text));
        if ((found.length > 0) !== expectRefusal)
            ++wrong;
    }
    console.log(`${statements.length} statements to pass, ${mustFail.length} to be refused: ` +
                `${wrong} went the wrong way.`);
    return wrong === 0 ? 0 : 1;
}

process.exit(main());
